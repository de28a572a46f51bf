#include "harness/screen_text.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include <imgui_internal.h>

#include "harness/ui_driver.h"

namespace sandbox {

namespace {

// A glyph of the font atlas, as the font lays it out from the pen.
struct GlyphShape {
    unsigned codepoint;
    float x0;
    float y0;
    float width;
    float advance;
    float blank; // the font's blank, to tell a gap between words from glyphs side by side
};

// A glyph on screen: its pen position, in the row of one window.
struct DrawnGlyph {
    std::size_t window;
    std::size_t order; // as drawn, for glyphs that stand on the same spot
    float top;
    float x;
    float advance;
    float blank;
    unsigned codepoint;
};

using AtlasRect = std::array<float, 4>;
using Shapes = std::vector<std::pair<AtlasRect, GlyphShape>>;

// Each glyph has a rectangle of the atlas of its own, and its quads carry it in
// their texture coordinates. Sorted by it, in one block: this runs at each check.
Shapes GlyphsByAtlasRect(const ImFontAtlas& atlas) {
    Shapes glyphs;
    for (ImFont* font : atlas.Fonts) {
        const ImFontGlyph* blank = font->FindGlyphNoFallback(' ');
        const float blankWidth = blank ? blank->AdvanceX : font->FontSize / 2;
        for (const ImFontGlyph& glyph : font->Glyphs) {
            if (!glyph.Visible) continue;
            glyphs.emplace_back(
                AtlasRect{glyph.U0, glyph.V0, glyph.U1, glyph.V1},
                GlyphShape{glyph.Codepoint, glyph.X0, glyph.Y0, glyph.X1 - glyph.X0, glyph.AdvanceX, blankWidth});
        }
    }
    std::sort(glyphs.begin(), glyphs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return glyphs;
}

void ReadGlyphs(const ImDrawList& list, std::size_t window, const Shapes& shapes, std::vector<DrawnGlyph>& glyphs) {
    const ImDrawVert* vertices = list.VtxBuffer.Data;
    const ImDrawIdx* indices = list.IdxBuffer.Data;
    const auto vertexCount = static_cast<unsigned>(list.VtxBuffer.Size);
    for (const ImDrawCmd& command : list.CmdBuffer) {
        if (command.UserCallback) continue;
        const ImRect clip(command.ClipRect);
        const unsigned end = command.IdxOffset + command.ElemCount;
        // Everything is drawn in triangles; a glyph is the two of its quad: corners 0 1 2, then 0 2 3.
        for (unsigned at = command.IdxOffset; at + 3 <= end; at += 3) {
            if (at + 6 > end) continue;
            const unsigned first = indices[at] + command.VtxOffset;
            const ImDrawIdx* quad = indices + at;
            if (quad[1] != quad[0] + 1 || quad[2] != quad[0] + 2 || quad[3] != quad[0] || quad[4] != quad[0] + 2 ||
                quad[5] != quad[0] + 3 || first + 4 > vertexCount)
                continue;
            const ImDrawVert* corner = vertices + first;
            const AtlasRect rect{corner[0].uv.x, corner[0].uv.y, corner[2].uv.x, corner[2].uv.y};
            auto shape = std::lower_bound(shapes.begin(), shapes.end(), rect,
                                          [](const auto& entry, const AtlasRect& key) { return entry.first < key; });
            if (shape == shapes.end() || shape->first != rect) continue;
            at += 3;
            const ImVec2 centre((corner[0].pos.x + corner[2].pos.x) / 2, (corner[0].pos.y + corner[2].pos.y) / 2);
            if (!clip.Contains(centre)) continue;
            const GlyphShape& glyph = shape->second;
            const float scale = glyph.width > 0 ? (corner[2].pos.x - corner[0].pos.x) / glyph.width : 1.0f;
            glyphs.push_back({window, glyphs.size(), corner[0].pos.y - glyph.y0 * scale,
                              corner[0].pos.x - glyph.x0 * scale, glyph.advance * scale, glyph.blank * scale,
                              glyph.codepoint});
        }
    }
}

} // namespace

std::string ScreenText(ImGuiContext* context, const std::function<bool(const ImGuiWindow& root)>& wanted) {
    ContextScope scope(context);
    const ImDrawData* data = ImGui::GetDrawData();
    if (!data) return {};
    const Shapes shapes = GlyphsByAtlasRect(*context->IO.Fonts);
    std::vector<const ImGuiWindow*> roots;
    std::vector<DrawnGlyph> glyphs;
    for (int i = 0; i < data->CmdListsCount; ++i) {
        const ImDrawList* list = data->CmdLists[i];
        auto owner = std::find_if(context->Windows.begin(), context->Windows.end(),
                                  [list](const ImGuiWindow* window) { return window->DrawList == list; });
        if (owner == context->Windows.end() || !wanted(*(*owner)->RootWindow)) continue;
        auto root = std::find(roots.begin(), roots.end(), (*owner)->RootWindow);
        if (root == roots.end()) root = roots.insert(roots.end(), (*owner)->RootWindow);
        ReadGlyphs(*list, static_cast<std::size_t>(root - roots.begin()), shapes, glyphs);
    }

    // Items of one row stand a frame's padding apart at most: a label in a button sits lower than text beside it.
    const float sameRow = context->Style.FramePadding.y + 1;
    // Sorts that keep the drawing order need no buffer: std::stable_sort asks the nothrow operator new for
    // one, and under Wine a mingw-w64 program whose allocation failed there aborted soon after.
    std::sort(glyphs.begin(), glyphs.end(), [](const DrawnGlyph& a, const DrawnGlyph& b) {
        return std::tie(a.window, a.top, a.order) < std::tie(b.window, b.top, b.order);
    });
    std::string text;
    for (auto row = glyphs.begin(); row != glyphs.end();) {
        auto end = std::find_if(row, glyphs.end(), [&](const DrawnGlyph& glyph) {
            return glyph.window != row->window || glyph.top > row->top + sameRow;
        });
        std::sort(row, end, [](const DrawnGlyph& a, const DrawnGlyph& b) {
            return std::tie(a.x, a.order) < std::tie(b.x, b.order);
        });
        for (auto glyph = row; glyph != end; ++glyph) {
            if (glyph != row && glyph->x > glyph[-1].x + glyph[-1].advance + glyph[-1].blank / 2) text += ' ';
            char utf8[5] = {};
            text += ImTextCharToUtf8(utf8, glyph->codepoint);
        }
        text += '\n';
        row = end;
    }
    return text;
}

bool ScreenHolds(const std::string& screen, const std::string& text) {
    std::string wanted;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\t';
        if (!blank)
            wanted += c;
        else if (!wanted.empty() && wanted.back() != ' ')
            wanted += ' ';
    }
    if (!wanted.empty() && wanted.back() == ' ') wanted.pop_back();
    return !wanted.empty() && screen.find(wanted) != std::string::npos;
}

} // namespace sandbox
