#!/usr/bin/env python3
"""Judges a sandbox picture by its structure, never byte for byte: the
plug-in's window has its title bar, one row per replay (text on the left, a
Load button on the right) and the Load buttons in one column at its right edge.
With ROWS 0 the picture must hold the host's panel alone, as a host frame
does once the plug-in's window is hidden.

    picture_structure.py PICTURE ROWS
"""
import importlib.machinery
import os
import sys

docs_picture = importlib.machinery.SourceFileLoader(
    "docs_picture", os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "docs-picture")).load_module()

# Dear ImGui's dark style: an active title bar and a button over a window.
TITLE = (41, 74, 122)
BUTTON = (36, 70, 110)
# Shading differs a step or two between the window and the framebuffer, and between Mesa versions.
NEAR = 24
# The clear colour behind every window, and where the host puts its panel (the plug-in's window opens at x 40).
BACKGROUND = (31, 33, 41)
PANEL_LEFT = 580


def main(picture, rows_wanted):
    width, height, channels, rows = docs_picture.read_png(picture)

    def near(x, y, colour):
        pixel = rows[y][x * channels:x * channels + 3]
        return all(abs(p - c) <= NEAR for p, c in zip(pixel, colour))

    def bright(x, y):
        return min(rows[y][x * channels:x * channels + 3]) > 150

    if rows_wanted == 0:
        # The columns that hold anything but the background: one span per window side by side.
        used = [any(any(abs(p - b) > 3 for p, b in zip(rows[y][x * channels:x * channels + 3], BACKGROUND))
                    for y in range(height)) for x in range(width)]
        spans = [x for x in range(width) if used[x] and (x == 0 or not used[x - 1])]
        if spans != [PANEL_LEFT]:
            return f"windows start at x {spans}, not at the panel's {PANEL_LEFT} alone"
        print(f"picture_structure: the panel alone, at x {PANEL_LEFT}")
        return None

    # The title bar: the widest run of its colour, at least a dozen rows high.
    best = None
    for y in range(height):
        x = 0
        while x < width:
            start = x
            while x < width and near(x, y, TITLE):
                x += 1
            if x - start > 200 and (best is None or x - start > best[2] - best[1]):
                best = (y, start, x)
            x += 1
    if best is None:
        return "no title bar"
    top, left, right = best
    bar = sum(1 for y in range(top, min(top + 30, height)) if near((left + right) // 2, y, TITLE))
    if bar < 12:
        return f"the title bar is {bar} rows high"

    # The Load buttons: bands of the button's colour in the window's right half.
    middle = (left + right) // 2
    bands, band = [], None
    for y in range(top + bar, height):
        xs = [x for x in range(middle, right) if near(x, y, BUTTON)]
        if xs and band:
            band[1], band[2], band[3] = y, min(band[2], xs[0]), max(band[3], xs[-1])
        elif xs:
            band = [y, y, xs[0], xs[-1]]
        elif band:
            bands.append(band)
            band = None
    if len(bands) != rows_wanted:
        return f"{len(bands)} rows of Load buttons, not {rows_wanted}"
    for first, last, x0, x1 in bands:
        if abs(x1 - bands[0][3]) > 2 or not 70 <= x1 - x0 <= 90:
            return f"the button at y {first} is not in the Load column ({x0}-{x1})"
        if not any(bright(x, y) for y in range(first, last + 1) for x in range(x0, x1)):
            return f"the button at y {first} has no label"
        if not any(bright(x, y) for y in range(first, last + 1) for x in range(left, middle)):
            return f"the row at y {first} has no date"
    if not right - 40 <= bands[0][3] <= right - 8:
        return f"the Load column ends at x {bands[0][3]}, not at the window's right edge ({right})"
    # The last line is where to click the newest row's Load button.
    print(f"picture_structure: title bar at ({left}, {top}), {len(bands)} rows, Load column at x "
          f"{bands[0][2]}-{bands[0][3]}")
    print((bands[0][2] + bands[0][3]) // 2, (bands[0][0] + bands[0][1]) // 2)
    return None


if __name__ == "__main__":
    problem = main(sys.argv[1], int(sys.argv[2]))
    if problem:
        print(f"picture_structure: {sys.argv[1]}: {problem}")
    sys.exit(1 if problem else 0)
