#pragma once

#include <functional>
#include <string>

#include <imgui.h>

struct ImGuiWindow;

namespace sandbox {

// The text the context's last frame drew, read back from its draw lists the
// way a person reads the screen: glyph by glyph, each only where its clip
// rectangle let it show. Rows scrolled out of view and text clipped away are
// not drawn, so they are not read. One line per screen row of each window
// that `wanted` keeps (a child window goes with its root), top to bottom;
// any gap between glyphs reads as one blank.
std::string ScreenText(ImGuiContext* context, const std::function<bool(const ImGuiWindow& root)>& wanted);

// Whether the screen text holds `text`, its runs of blanks taken as one.
bool ScreenHolds(const std::string& screen, const std::string& text);

} // namespace sandbox
