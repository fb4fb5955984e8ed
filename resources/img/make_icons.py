#!/usr/bin/env python3
"""Writes the SVG icon set into resources/img/assets. Run after changing a drawing; the SVGs are committed."""
import os

ACCENT = "#004B6A"
ACCENT_DARK = "#00384F"
GREY = "#575757"
LIGHT = "#C7C7C7"
WHITE = "#FFFFFF"
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "assets")


def svg(size, body, w=None, h=None):
    w = w or size
    h = h or size
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">'
            f"{body}</svg>\n")


def stroke(colour, width=1.5):
    return f'fill="none" stroke="{colour}" stroke-width="{width}" stroke-linecap="round" stroke-linejoin="round"'


def write(name, text):
    with open(os.path.join(OUT, name), "w", encoding="utf-8") as f:
        f.write(text)


# Play bar, 24 x 24, drawn in one colour per state.
PLAYBAR = {
    "DVS": lambda c: "".join(f'<circle cx="{x}" cy="{y}" r="1.6" fill="{c}"/>' for x, y in
                             [(5, 7), (9, 4), (12, 10), (16, 6), (19, 12), (7, 14), (11, 18), (15, 15), (19, 19), (4, 20)]),
    "APS": lambda c: f'<rect x="3" y="5" width="18" height="14" rx="2" {stroke(c)}/>'
                     f'<path d="M5 17l5-6 4 4 2-2 3 4" {stroke(c)}/><circle cx="16" cy="9" r="1.5" fill="{c}"/>',
    "Fusion": lambda c: f'<rect x="3" y="5" width="14" height="11" rx="2" {stroke(c)}/>'
                        + "".join(f'<circle cx="{x}" cy="{y}" r="1.5" fill="{c}"/>' for x, y in
                                  [(13, 13), (17, 11), (20, 15), (15, 19), (20, 20), (10, 19)]),
    "play": lambda c: f'<path d="M8 5l11 7-11 7z" fill="{c}"/>',
    "pause": lambda c: f'<rect x="7" y="5" width="3.5" height="14" rx="1" fill="{c}"/>'
                       f'<rect x="13.5" y="5" width="3.5" height="14" rx="1" fill="{c}"/>',
    "stop": lambda c: f'<rect x="6" y="6" width="12" height="12" rx="2" fill="{c}"/>',
    "prev": lambda c: f'<path d="M17 6l-8 6 8 6z" fill="{c}"/><rect x="6" y="6" width="2.2" height="12" fill="{c}"/>',
    "next": lambda c: f'<path d="M7 6l8 6-8 6z" fill="{c}"/><rect x="15.8" y="6" width="2.2" height="12" fill="{c}"/>',
    "loop": lambda c: f'<path d="M5 11a5 5 0 0 1 5-5h8M15 3l3 3-3 3M19 13a5 5 0 0 1-5 5H6M9 21l-3-3 3-3" {stroke(c)}/>',
    "record": lambda c: f'<circle cx="12" cy="12" r="8" {stroke(c)}/><circle cx="12" cy="12" r="4.5" fill="{c}"/>',
    "viewer": lambda c: f'<path d="M2.5 12s3.5-6 9.5-6 9.5 6 9.5 6-3.5 6-9.5 6-9.5-6-9.5-6z" {stroke(c)}/>'
                        f'<circle cx="12" cy="12" r="2.5" fill="{c}"/>',
}
for name, draw in PLAYBAR.items():
    write(f"btn_playbar_{name}.svg", svg(24, draw(GREY)))
    write(f"btn_playbar_{name}_hover.svg", svg(24, draw(ACCENT)))
    write(f"btn_playbar_{name}_disabled.svg", svg(24, draw(LIGHT)))

# Title bar buttons of the main window (grey on white) and the white close of dialogs on the accent strip.
NAV = {
    "Min": lambda c: f'<path d="M6 12h12" {stroke(c)}/>',
    "Max": lambda c: f'<rect x="6" y="6" width="12" height="12" rx="1" {stroke(c)}/>',
    "Restore": lambda c: f'<rect x="6" y="9" width="9" height="9" rx="1" {stroke(c)}/><path d="M9 9V6h9v9h-3" {stroke(c)}/>',
    "Close": lambda c: f'<path d="M7 7l10 10M17 7L7 17" {stroke(c)}/>',
}
for name, draw in NAV.items():
    write(f"btn_Nav_{name}.svg", svg(24, draw(GREY)))
    write(f"btn_Nav_{name}_hover.svg", svg(24, draw(ACCENT)))
    write(f"btn_Nav_{name}_pressed.svg", svg(24, draw(ACCENT_DARK)))
cross = f'<path d="M7 7l10 10M17 7L7 17" {stroke(WHITE, 1.8)}/>'
write("btn_Nav_CloseWindow_White.svg", svg(24, cross))
write("btn_Nav_CloseWindow_White_hover.svg", svg(24, '<circle cx="12" cy="12" r="11" fill="#FFFFFF" fill-opacity="0.2"/>' + cross))
write("btn_Nav_CloseWindow_White_pressed.svg", svg(24, '<circle cx="12" cy="12" r="11" fill="#FFFFFF" fill-opacity="0.35"/>' + cross))

# Side bar fold buttons, 24 x 24.
SIDE = {
    "camera": lambda c: f'<rect x="3" y="7" width="14" height="10" rx="2" {stroke(c)}/><path d="M17 10l4-2v8l-4-2" {stroke(c)}/>',
    "dvs": PLAYBAR["DVS"],
    "aps": PLAYBAR["APS"],
    "general": lambda c: f'<circle cx="12" cy="12" r="3" {stroke(c)}/>'
                         f'<path d="M12 3v3M12 18v3M3 12h3M18 12h3M5.6 5.6l2.1 2.1M16.3 16.3l2.1 2.1M5.6 18.4l2.1-2.1M16.3 7.7l2.1-2.1" {stroke(c)}/>',
}
for name, draw in SIDE.items():
    write(f"btn_side_{name}.svg", svg(24, draw(GREY)))
    write(f"btn_side_{name}_checked.svg", svg(24, draw(ACCENT)))

# Numeric setting items: 15 x 15 plus/minus, slider handle.
for name, path in (("plus", "M4.5 7.5h6M7.5 4.5v6"), ("minus", "M4.5 7.5h6")):
    write(f"btn_setting_{name}.svg", svg(15, f'<circle cx="7.5" cy="7.5" r="6.5" {stroke(GREY, 1)}/><path d="{path}" {stroke(GREY, 1.2)}/>'))
    write(f"btn_setting_{name}_pressed.svg", svg(15, f'<circle cx="7.5" cy="7.5" r="7" fill="{ACCENT}"/><path d="{path}" {stroke(WHITE, 1.2)}/>'))
write("btn_setting_thumbs.svg", svg(9, f'<circle cx="4.5" cy="4.5" r="4" fill="{WHITE}" stroke="{ACCENT}" stroke-width="1"/><circle cx="4.5" cy="4.5" r="2" fill="{ACCENT}"/>'))

# Switch, 36 x 20.
write("btn_switch_disable.svg", svg(0, f'<rect x="0.5" y="0.5" width="35" height="19" rx="9.5" fill="{LIGHT}"/><circle cx="10" cy="10" r="7.5" fill="{WHITE}"/>', 36, 20))
write("btn_switch_enable.svg", svg(0, f'<rect x="0.5" y="0.5" width="35" height="19" rx="9.5" fill="{ACCENT}"/><circle cx="26" cy="10" r="7.5" fill="{WHITE}"/>', 36, 20))

# Fold arrows, 28 x 28 (the "bnt" spelling is the established resource name).
write("bnt_arrow_down.svg", svg(28, f'<path d="M9 12l5 5 5-5" {stroke(GREY)}/>'))
write("bnt_arrow_up_Pressed.svg", svg(28, f'<path d="M9 16l5-5 5 5" {stroke(ACCENT)}/>'))

# Panel buttons: Default, Refresh, Load, Export (14 x 14).
PANEL = {
    "Default": lambda c: f'<path d="M3 7a4 4 0 1 0 1.2-2.9M3 2v3h3" {stroke(c, 1.3)}/>',
    "Refresh": lambda c: f'<path d="M11.5 5A4.8 4.8 0 0 0 2.6 5.5M2.5 9a4.8 4.8 0 0 0 8.9-.5M11.5 2v3h-3M2.5 12V9h3" {stroke(c, 1.3)}/>',
    "Load": lambda c: f'<path d="M7 2v7M4 6l3 3 3-3M2 10v2h10v-2" {stroke(c, 1.3)}/>',
    "Export": lambda c: f'<path d="M7 9V2M4 5l3-3 3 3M2 10v2h10v-2" {stroke(c, 1.3)}/>',
}
for name, draw in PANEL.items():
    write(f"btn_Setting_{name}.svg", svg(14, draw(ACCENT)))
    write(f"btn_Setting_{name}_pressed.svg", svg(14, draw(ACCENT_DARK)))

write("btn_camera.svg", svg(24, f'<rect x="3" y="7" width="18" height="12" rx="2" {stroke(ACCENT)}/>'
                                f'<path d="M8 7l1.5-2.5h5L16 7" {stroke(ACCENT)}/><circle cx="12" cy="13" r="3.2" {stroke(ACCENT)}/>'))
write("btn_search.svg", svg(16, f'<circle cx="7" cy="7" r="4.5" {stroke(GREY, 1.4)}/><path d="M10.5 10.5l3.5 3.5" {stroke(GREY, 1.4)}/>'))

# Toasts, 16 x 16.
write("icon_toasts_close.svg", svg(16, f'<path d="M4.5 4.5l7 7M11.5 4.5l-7 7" {stroke("#A7A7A7", 1.3)}/>'))
write("icon_toasts_success.svg", svg(16, f'<circle cx="8" cy="8" r="7" fill="#58DB6D"/><path d="M4.8 8.2l2.2 2.2 4.2-4.4" {stroke(WHITE, 1.5)}/>'))
write("icon_toasts_error.svg", svg(16, f'<circle cx="8" cy="8" r="7" fill="#FF6058"/><path d="M5.5 5.5l5 5M10.5 5.5l-5 5" {stroke(WHITE, 1.5)}/>'))
write("icon_toasts_warning.svg", svg(16, f'<path d="M8 1.5l7 12.5H1z" fill="#F9BF37" stroke="#F9BF37" stroke-linejoin="round"/>'
                                         f'<path d="M8 6v4" {stroke(WHITE, 1.5)}/><circle cx="8" cy="12" r="0.9" fill="{WHITE}"/>'))
