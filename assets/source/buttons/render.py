#!/usr/bin/env python3
"""Writes the button skins' SVG sources here and renders them, at 1x and @2x,
into the skin folders of assets/ (needs vips). Run from anywhere:
    python3 assets/source/buttons/render.py
"""
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.normpath(os.path.join(HERE, "..", ".."))


def svg(width, height, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">{body}</svg>\n')


def capsule(width, height, top, bottom, border, radius=6, inner="#ffffff", inner_alpha=0.7):
    """A rounded rectangle with a vertical gradient, a 1-point border and a light top edge."""
    return svg(width, height, f'''
<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient></defs>
<rect x="0.5" y="1.5" width="{width-1}" height="{height-2}" rx="{radius}" fill="#000" opacity="0.06"/>
<rect x="0.5" y="0.5" width="{width-1}" height="{height-1.5}" rx="{radius}" fill="url(#g)" stroke="{border}"/>
<rect x="1.5" y="1.5" width="{width-3}" height="{height-4}" rx="{radius-1}" fill="none" stroke="{inner}" opacity="{inner_alpha}"/>''')


def render(source, target, scale, area=None):
    with tempfile.TemporaryDirectory() as tmp:
        full = os.path.join(tmp, "full.png")
        subprocess.run(["vips", "copy", f"{source}[scale={scale}]", full], check=True)
        if area:
            left, width = area
            height = int(subprocess.run(["vipsheader", "-f", "height", full], check=True,
                                        capture_output=True, text=True).stdout)
            subprocess.run(["vips", "extract_area", full, target, str(left * scale), "0", str(width * scale),
                            str(height)], check=True)
        else:
            subprocess.run(["vips", "copy", full, target], check=True)


def write(name, text):
    path = os.path.join(HERE, name.replace("/", "-") + ".svg")
    with open(path, "w") as f:
        f.write(text)
    return path


def three_pieces(skin, prefix, state, text, cap, width):
    """Left, Mid and Right pictures cut from one drawing: caps of `cap` points, a 2-point middle."""
    source = write(f"{skin}-{prefix}{state}", text)
    folder = os.path.join(ASSETS, skin)
    os.makedirs(folder, exist_ok=True)
    for piece, area in (("Left", (0, cap)), ("Mid", (cap, 2)), ("Right", (width - cap, cap))):
        for scale, suffix in ((1, ""), (2, "@2x")):
            render(source, os.path.join(folder, f"{piece}-{prefix}{state}{suffix}.png"), scale, area)


def whole(skin, picture, text):
    source = write(f"{skin}-{picture}", text)
    folder = os.path.join(ASSETS, skin)
    os.makedirs(folder, exist_ok=True)
    for scale, suffix in ((1, ""), (2, "@2x")):
        render(source, os.path.join(folder, f"{picture}{suffix}.png"), scale)


PUSH = {  # state: top, bottom, border
    "Normal": ("#fdfdfd", "#eeeef0", "#bdbdc2"),
    "Hover": ("#ffffff", "#f4f4f6", "#a3a3aa"),
    "Down": ("#dcdce0", "#e6e6ea", "#95959c"),
    "Disabled": ("#f7f7f8", "#f3f3f4", "#dcdcdf"),
}


def push_skins():
    for skin in ("PushButton.button", "Popup.button"):
        for state, (top, bottom, border) in PUSH.items():
            three_pieces(skin, "", state, capsule(24, 28, top, bottom, border), 10, 24)


def switch():
    def toggle(on, state):
        track = {"Normal": "#2f7cf6", "Hover": "#3f88f8", "Down": "#2569d8", "Disabled": "#a9c7f5"}[state] if on \
            else {"Normal": "#cfd0d6", "Hover": "#c3c4cb", "Down": "#b5b6be", "Disabled": "#e6e6ea"}[state]
        knob_x = 29 if on else 15
        knob_r = 10 if state != "Down" else 10.5
        mark = ('<path d="M9 12.5 l3 3 l6 -7" fill="none" stroke="#fff" stroke-width="2" '
                'stroke-linecap="round" stroke-linejoin="round"/>') if on else \
               '<circle cx="33" cy="12" r="3.5" fill="none" stroke="#8d8e96" stroke-width="1.5"/>'
        opacity = "0.55" if state == "Disabled" else "1"
        return svg(44, 24, f'''<g opacity="{opacity}">
<rect x="0.5" y="0.5" width="43" height="23" rx="11.5" fill="{track}" stroke="#000" stroke-opacity="0.12"/>
{mark}
<circle cx="{knob_x}" cy="12.8" r="{knob_r}" fill="#000" opacity="0.18"/>
<circle cx="{knob_x}" cy="12" r="{knob_r}" fill="#fff"/></g>''')
    for on in (False, True):
        for state in PUSH:
            whole("ScaleUp.button", f"Mid-{'On' if on else 'Off'}-{state}", toggle(on, state))


def corner(skin, top, bottom, glyph):
    for state, shade in (("Normal", 0), ("Down", 0.18)):
        band = svg(4, 30, f'''<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient></defs>
<rect width="4" height="30" fill="url(#g)"/><rect width="4" height="1" fill="#fff" opacity="0.35"/>
<rect y="29" width="4" height="1" fill="#000" opacity="0.25"/><rect width="4" height="30" fill="#000" opacity="{shade}"/>''')
        whole(skin, f"Mid-{state}", band)
        whole(skin, f"Symbol-{state}", svg(20, 20, f'<g opacity="{1 - shade}">{glyph}</g>'))


PHOTO = ('<rect x="2" y="4" width="16" height="12" rx="2" fill="none" stroke="#fff" stroke-width="1.6"/>'
         '<circle cx="13.5" cy="8" r="1.6" fill="#fff"/>'
         '<path d="M3.5 15 l4.5 -5 l3.5 3.5 l2 -2 l3 3.5 z" fill="#fff"/>')
GLOBE = ('<circle cx="10" cy="10" r="7.5" fill="none" stroke="#fff" stroke-width="1.6"/>'
         '<ellipse cx="10" cy="10" rx="3.2" ry="7.5" fill="none" stroke="#fff" stroke-width="1.3"/>'
         '<path d="M2.8 7.5 h14.4 M2.8 12.5 h14.4" stroke="#fff" stroke-width="1.3"/>')


def grab():
    for state, colour in (("Normal", "#8e8e96"), ("Hover", "#5f5f68"), ("Down", "#3d3d45")):
        dots = "".join(f'<circle cx="{x}" cy="{y}" r="1.5" fill="{colour}"/>' for x in (5, 11) for y in (4, 10, 16))
        whole("Grab.button", f"Symbol-{state}", svg(16, 20, dots))


def toolbar():
    skin = "Toolbar.barButton/Tool.button"
    for state, alpha in (("Normal", 0.0), ("Hover", 0.07), ("Down", 0.14)):
        three_pieces(skin, "", state, svg(20, 28, f'<rect x="0" y="0" width="20" height="28" rx="6" '
                                                   f'fill="#000" opacity="{alpha}"/>'), 8, 20)


if __name__ == "__main__":
    push_skins()
    switch()
    corner("CornerOpen.button", "#ffb347", "#f2742b", PHOTO)
    corner("CornerWeb.button", "#4aa3ff", "#2b63d9", GLOBE)
    grab()
    toolbar()
