#!/usr/bin/python3
"""Draws the shipped frame artwork: seamless textures, picture frames with
their window masks, shadow pictures, and the masks and shades of the frames
bundle. Deterministic (fixed seeds); run from anywhere:

    /usr/bin/python3 assets/source/frames/generate.py

Needs python3-numpy and python3-pil. Geometry goes into the file names
(resource identifier, then options), y counted from the bottom:
  Textures/ALX-T#<n>#<Name>#R#<hue>-<sat>-<val>.jpg   base colour = measured mean
  Frames/ALX-F#<n>#<Name>#<x>-<y>-<w>-<h>.png          window in frame pixels
  Frames/ALX-F#<n>#<Name>Mask.png                      white where the photo shows
  Shadows/ALX-S#<n>#<Name>#<mx>-<my>.png               margins in shadow pixels
  Frames.bundle/{ExternalMasks,InternalMasks,Shades}/FRM-?#<n>#<Name>#<width>-<corner>[-<rx>-<ry>].png
"""

import colorsys
import os
import plistlib
import shutil

import numpy as np
from PIL import Image

ASSETS = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def rng(seed):
    return np.random.default_rng(seed)


# ---------------------------------------------------------------- noise

def periodic_noise(shape, seed, scale_y, scale_x=None):
    """White noise low-passed in the frequency domain: tiles without seams."""
    scale_x = scale_y if scale_x is None else scale_x
    h, w = shape
    white = rng(seed).standard_normal(shape)
    fy = np.fft.fftfreq(h)[:, None] * h
    fx = np.fft.fftfreq(w)[None, :] * w
    gauss = np.exp(-((fy / scale_y) ** 2 + (fx / scale_x) ** 2))
    n = np.real(np.fft.ifft2(np.fft.fft2(white) * gauss))
    return (n - n.mean()) / (n.std() + 1e-9)


def fbm(shape, seed, base, octaves=5, gain=0.55):
    total = np.zeros(shape)
    amp, f = 1.0, base
    for i in range(octaves):
        total += amp * periodic_noise(shape, seed + i, f)
        amp *= gain
        f *= 2.0
    return total / total.std()


def lit(height, strength=1.0):
    """Lambert light from the top left on a periodic height field."""
    gy = np.roll(height, -1, 0) - np.roll(height, 1, 0)
    gx = np.roll(height, -1, 1) - np.roll(height, 1, 1)
    return 1.0 + strength * (-gx + gy) * 0.5


def to_u8(rgb):
    return np.clip(np.round(rgb * 255.0), 0, 255).astype(np.uint8)


def mix(a, b, t):
    t = np.clip(t, 0.0, 1.0)[..., None]
    return np.asarray(a) * (1 - t) + np.asarray(b) * t


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------- textures

N = 512
yy, xx = np.mgrid[0:N, 0:N].astype(float)


def wood(seed, light, dark, rings):
    warp = fbm((N, N), seed, 3, 4)
    grain = periodic_noise((N, N), seed + 50, 90, 2)  # long fibres along x
    phase = rings * yy / N + 0.35 * warp + 0.25 * np.sin(2 * np.pi * xx / N)
    ring = 0.5 + 0.5 * np.sin(2 * np.pi * phase)
    ring = ring ** 2.2
    t = 0.65 * ring + 0.12 * grain + 0.1 * fbm((N, N), seed + 9, 6, 3)
    return mix(light, dark, t)


def brushed_metal(seed):
    streaks = periodic_noise((N, N), seed, 220, 1.5) * 0.6 + periodic_noise((N, N), seed + 1, 40, 3) * 0.4
    sheen = 0.5 + 0.5 * np.cos(2 * np.pi * (xx / N))
    v = 0.70 + 0.045 * streaks + 0.05 * sheen
    return np.stack([v * 0.98, v * 0.99, v * 1.02], -1)


def paper(seed):
    cloud = fbm((N, N), seed, 4, 5)
    fibres = periodic_noise((N, N), seed + 20, 60, 60)
    speck = (rng(seed + 30).random((N, N)) > 0.9993) * 1.0
    v = 0.94 + 0.018 * cloud + 0.012 * fibres - 0.12 * np.minimum(speck, 1)
    base = np.stack([v, v * 0.975, v * 0.925], -1)
    return base * lit(cloud, 0.08)[..., None]


def leather(seed):
    cells = fbm((N, N), seed, 22, 3, 0.5)
    creases = np.abs(periodic_noise((N, N), seed + 7, 10))
    height = -np.abs(cells) * 0.6 - 0.5 * smoothstep(0.0, 0.35, 0.35 - creases)
    tone = 0.85 + 0.15 * fbm((N, N), seed + 3, 3, 3)
    base = np.array([0.42, 0.24, 0.14]) * tone[..., None]
    return base * lit(height * 3.0, 0.35)[..., None]


def linen(seed):
    threads = 64  # whole threads per tile, so the weave repeats
    wx = 0.5 + 0.5 * np.cos(2 * np.pi * threads * xx / N + 0.6 * periodic_noise((N, N), seed, 30))
    wy = 0.5 + 0.5 * np.cos(2 * np.pi * threads * yy / N + 0.6 * periodic_noise((N, N), seed + 1, 30))
    slub = periodic_noise((N, N), seed + 2, 4, 80) * 0.5 + periodic_noise((N, N), seed + 3, 80, 4) * 0.5
    v = 0.80 + 0.06 * (wx - wy) * np.sign(np.sin(np.pi * (xx + yy) / 8 + 0.1)) + 0.05 * slub
    return np.stack([v * 0.93, v * 0.90, v * 0.80], -1)


TEXTURES = [
    (10, "Wood-Light-Knots", lambda: wood(101, [0.80, 0.62, 0.40], [0.55, 0.36, 0.19], 9)),
    (11, "Wood-Walnut", lambda: wood(111, [0.42, 0.27, 0.16], [0.20, 0.11, 0.06], 12)),
    (20, "Metal-Brushed", lambda: brushed_metal(201)),
    (30, "Paper-Handmade", lambda: paper(301)),
    (40, "Leather-Brown", lambda: leather(401)),
    (50, "Linen-Natural", lambda: linen(501)),
]


def write_textures():
    folder = os.path.join(ASSETS, "Textures")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for index, name, make in TEXTURES:
        rgb = to_u8(make())
        mean = rgb.reshape(-1, 3).mean(0) / 255.0
        h, s, v = colorsys.rgb_to_hsv(*mean)
        options = "R#%d-%d-%d" % (round(h * 360) % 360, round(s * 100), round(v * 100))
        path = os.path.join(folder, "ALX-T#%03d#%s#%s.jpg" % (index, name, options))
        Image.fromarray(rgb, "RGB").save(path, quality=90, optimize=True)


# ---------------------------------------------------------------- shapes

def rounded_rect_sdf(h, w, x0, y0, x1, y1, r):
    """Signed distance (pixels, negative inside) to a rounded rectangle given
    in top-down pixel coordinates."""
    py, px = np.mgrid[0:h, 0:w].astype(float) + 0.5
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = np.abs(px - cx) - hx, np.abs(py - cy) - hy
    return np.hypot(np.maximum(qx, 0), np.maximum(qy, 0)) + np.minimum(np.maximum(qx, qy), 0) - r


def coverage(sdf):
    return np.clip(0.5 - sdf, 0.0, 1.0)


def rgba(rgb, alpha):
    return np.dstack([to_u8(rgb), to_u8(alpha)])


def save_png(array, path):
    mode = "RGBA" if array.shape[-1] == 4 else "RGB"
    Image.fromarray(array, mode).save(path, optimize=True)


def white_mask(alpha):
    a = to_u8(alpha)
    return np.dstack([np.full_like(a, 255)] * 3 + [a])


def cloud(shape, seed, amount):
    """A soft, large-scale unevenness of the paper (per-pixel grain would
    make the pictures many times larger)."""
    return periodic_noise(shape, seed, 14) * amount


# ---------------------------------------------------------------- frames

def window_names(index, name, x0, y0_top, w, h, height):
    """File names; the window's y is counted from the bottom."""
    y = height - (y0_top + h)
    return "ALX-F#%03d#%s#%d-%d-%d-%d.png" % (index, name, x0, y, w, h), "ALX-F#%03d#%sMask.png" % (index, name)


def polaroid():
    W, H = 1000, 1210
    x0, y0, w, h = 54, 54, 892, 892
    outer = rounded_rect_sdf(H, W, 0, 0, W, H, 6)
    window = rounded_rect_sdf(H, W, x0, y0, x0 + w, y0 + h, 1.5)
    paper_v = 0.955 + cloud((H, W), 5, 0.0035)
    rgb = np.stack([paper_v, paper_v * 0.993, paper_v * 0.975], -1)
    # The print sits a little below the paper: a thin shadow inside the window's edge
    # falls onto the paper around it, and the outer edge darkens slightly.
    near_window = np.exp(-np.maximum(window, 0) / 3.0) * 0.10
    rgb *= (1 - near_window)[..., None]
    rgb *= (1 - 0.05 * np.exp(-np.maximum(-outer, 0) / 2.0))[..., None]
    alpha = coverage(outer) * (1 - coverage(window))
    return (W, H, (x0, y0, w, h), rgba(rgb, alpha), white_mask(coverage(window + 2)))


def bevelled_mat(W=1500, H=1120):
    moulding, mat, bevel = 46, 150, 12
    wx0, wy0 = moulding + mat + bevel, moulding + mat + bevel
    w, h = W - 2 * wx0, H - 2 * wy0
    py, px = np.mgrid[0:H, 0:W].astype(float) + 0.5
    # Distances to the four edges of the window opening, for the bevel's sides.
    inner = rounded_rect_sdf(H, W, wx0, wy0, W - wx0, H - wy0, 0)
    cut = rounded_rect_sdf(H, W, wx0 - bevel, wy0 - bevel, W - wx0 + bevel, H - wy0 + bevel, 0)
    frame_in = rounded_rect_sdf(H, W, moulding, moulding, W - moulding, H - moulding, 0)
    # Mat board: warm off-white with a fine grain.
    m = 0.90 + cloud((H, W), 7, 0.004)
    rgb = np.stack([m, m * 0.975, m * 0.925], -1)
    # The bevel: the white core of the board, lit from the top left.
    dl, dr = px - (wx0 - bevel), (W - wx0 + bevel) - px
    dt, db = py - (wy0 - bevel), (H - wy0 + bevel) - py
    side = np.argmin(np.stack([dl, dt, dr, db]), 0)
    shade = np.choose(side, [1.00, 1.02, 0.86, 0.80])
    on_bevel = (cut < 0) & (inner > -0.0)
    core = np.stack([np.full((H, W), 0.97), np.full((H, W), 0.96), np.full((H, W), 0.93)], -1) * shade[..., None]
    rgb = np.where(on_bevel[..., None], core, rgb)
    # A faint shadow of the moulding onto the mat.
    rgb *= (1 - 0.22 * np.exp(-np.maximum(-frame_in, 0) / 10.0) * (frame_in < 0))[..., None]
    # The moulding: satin black with a rounded highlight.
    dist_out = np.minimum(np.minimum(px, W - px), np.minimum(py, H - py))
    t = np.clip(dist_out / moulding, 0, 1)
    profile = 0.05 + 0.10 * np.exp(-((t - 0.35) / 0.12) ** 2) + 0.04 * (1 - t)
    side_o = np.argmin(np.stack([px, py, W - px, H - py]), 0)
    profile *= np.choose(side_o, [1.2, 1.35, 0.8, 0.7])
    black = np.stack([profile, profile * 1.0, profile * 1.05], -1)
    rgb = np.where((frame_in >= 0)[..., None], black, rgb)
    alpha = 1 - coverage(inner)
    return (W, H, (wx0, wy0, w, h), rgba(rgb, alpha), white_mask(coverage(inner + 2)))


def slide_mount(w=864, h=576):
    W, H = 1200, 1200
    x0, y0 = (W - w) // 2, (H - h) // 2
    outer = rounded_rect_sdf(H, W, 0, 0, W, H, 40)
    window = rounded_rect_sdf(H, W, x0, y0, x0 + w, y0 + h, 22)
    groove = rounded_rect_sdf(H, W, 60, 60, W - 60, H - 60, 26)
    v = 0.88 + cloud((H, W), 9, 0.003)
    rgb = np.stack([v * 0.97, v * 0.98, v], -1)
    # A pressed groove round the mount and a soft edge at the window.
    rgb *= (1 - 0.10 * np.exp(-(groove / 2.2) ** 2))[..., None]
    rgb *= (1 + 0.06 * np.exp(-((groove - 4) / 2.0) ** 2))[..., None]
    rgb *= (1 - 0.18 * np.exp(-np.maximum(window, 0) / 4.0))[..., None]
    alpha = coverage(outer) * (1 - coverage(window))
    return (W, H, (x0, y0, w, h), rgba(rgb, alpha), white_mask(coverage(window + 1.5)))


def deckle_edge(W=1400, H=1050):
    border = 70
    x0, y0, w, h = border, border, W - 2 * border, H - 2 * border
    py, px = np.mgrid[0:H, 0:W].astype(float) + 0.5
    rough = np.zeros((H, W))
    r = rng(13)
    # A torn edge: a wavy line of small and smaller teeth along each side.
    for freq, amp in ((9, 7.0), (31, 3.0), (97, 1.2)):
        for k in range(4):
            phase = r.random() * 2 * np.pi
            along = (px if k % 2 == 0 else py) / (W if k % 2 == 0 else H)
            rough_k = amp * np.sin(2 * np.pi * freq * along + phase)
            dist = [py, px, H - py, W - px][k]
            rough = np.where(dist == np.minimum(np.minimum(py, H - py), np.minimum(px, W - px)), rough + rough_k, rough)
    dist_edge = np.minimum(np.minimum(px, W - px), np.minimum(py, H - py)) - 14 - rough
    window = rounded_rect_sdf(H, W, x0, y0, x0 + w, y0 + h, 0)
    v = 0.965 + cloud((H, W), 11, 0.0035)
    rgb = np.stack([v, v * 0.99, v * 0.965], -1)
    rgb *= (1 - 0.07 * np.exp(-np.maximum(dist_edge, 0) / 2.5))[..., None]
    alpha = np.clip(dist_edge + 0.5, 0, 1) * (1 - coverage(window))
    return (W, H, (x0, y0, w, h), rgba(rgb, alpha), white_mask(coverage(window + 1)))


FRAMES = [(1, "Polaroid", polaroid), (2, "Bevelled-Mat", bevelled_mat), (3, "Slide-Mount", slide_mount),
          (4, "Deckle-Edge", deckle_edge)]

# The same frames turned upright, for portrait photos: Frames/Portrait holds
# them under the landscape frame's name (a square window needs none).
PORTRAITS = [(2, "Bevelled-Mat", lambda: bevelled_mat(1120, 1500)), (3, "Slide-Mount", lambda: slide_mount(576, 864)),
             (4, "Deckle-Edge", lambda: deckle_edge(1050, 1400))]


def write_frames():
    folder = os.path.join(ASSETS, "Frames")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "Portrait"))
    for subfolder, frames in (("", FRAMES), ("Portrait", PORTRAITS)):
        for index, name, make in frames:
            W, H, (x0, y0, w, h), picture, mask = make()
            frame_name, mask_name = window_names(index, name, x0, y0, w, h, H)
            save_png(picture, os.path.join(folder, subfolder, frame_name))
            save_png(mask, os.path.join(folder, subfolder, mask_name))


# ---------------------------------------------------------------- shadows

def gaussian_blur(a, sigma):
    h, w = a.shape
    pad = int(3 * sigma) + 2
    big = np.pad(a, pad)
    fy = np.fft.fftfreq(big.shape[0])[:, None]
    fx = np.fft.fftfreq(big.shape[1])[None, :]
    g = np.exp(-2 * (np.pi * sigma) ** 2 * (fy ** 2 + fx ** 2))
    out = np.real(np.fft.ifft2(np.fft.fft2(big) * g))
    return out[pad:pad + h, pad:pad + w]


def shadow_picture(width, height, mx, my, silhouette, sigma, opacity):
    """A black shadow of `silhouette` (top-down, photo at [mx, width) x
    [0, height - my)), blurred; the picture's margins hold its spread."""
    alpha = np.clip(gaussian_blur(silhouette, sigma), 0, 1) * opacity
    return np.dstack([np.zeros((height, width, 3), np.uint8), to_u8(alpha)])


def soft_drop():
    pw, ph, mx, my = 900, 600, 40, 40
    W, H = pw + mx, ph + my
    py, px = np.mgrid[0:H, 0:W].astype(float) + 0.5
    # The photo moved 14 px left and down; its shadow thins out upwards so that
    # taller photos show no edge where the picture ends.
    sil = ((px > mx - 14) & (px < W - 14) & (py > 14) & (py < H - my + 14)) * 1.0
    sil *= smoothstep(0.0, 0.55, py / H)
    return (mx, my, shadow_picture(W, H, mx, my, sil, 9, 0.55))


def lifted_corners():
    pw, ph, mx, my = 900, 160, 30, 34
    W, H = pw + mx, ph + my
    py, px = np.mgrid[0:H, 0:W].astype(float) + 0.5
    u = (px - mx) / pw
    # The print curls up at its corners: the shadow reaches furthest there.
    reach = 6 + 20 * (np.exp(-(u / 0.12) ** 2) + np.exp(-((1 - u) / 0.12) ** 2))
    bottom = H - my
    sil = ((px > mx - 8) & (px < W - 6) & (py < bottom + reach)) * 1.0
    sil *= smoothstep(0.0, 1.0, (py - (bottom - 150)) / 150.0)
    return (mx, my, shadow_picture(W, H, mx, my, sil, 7, 0.6))


def floor_contact():
    pw, ph, mx, my = 900, 140, 60, 44
    W, H = pw + mx, ph + my
    py, px = np.mgrid[0:H, 0:W].astype(float) + 0.5
    cx, cy = mx + pw / 2 - 18, H - my + 6
    ell = ((px - cx) / (pw * 0.56)) ** 2 + ((py - cy) / 22.0) ** 2
    sil = (ell < 1.0) * 1.0
    return (mx, my, shadow_picture(W, H, mx, my, sil, 12, 0.7))


SHADOWS = [(1, "Soft-Drop", soft_drop), (2, "Lifted-Corners", lifted_corners), (3, "Floor-Contact", floor_contact)]


def write_shadows():
    folder = os.path.join(ASSETS, "Shadows")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for index, name, make in SHADOWS:
        mx, my, picture = make()
        save_png(picture, os.path.join(folder, "ALX-S#%03d#%s#%d-%d.png" % (index, name, mx, my)))


# ---------------------------------------------------------------- frames bundle

S, BW = 192, 48  # mask and shade pictures: a square frame, border BW wide


def border_coordinates():
    py, px = np.mgrid[0:S, 0:S].astype(float) + 0.5
    edges = np.stack([px, py, S - px, S - py])  # left, top, right, bottom
    d = edges.min(0)
    side = edges.argmin(0)
    along = np.choose(side, [py, px, py, px]) / S
    return d, side, along


def external_mask(corner, scallops):
    d, side, along = border_coordinates()
    outer = rounded_rect_sdf(S, S, 0, 0, S, S, corner)
    if scallops:
        bumps = 5 * np.abs(np.sin(np.pi * scallops * along))
        outer = outer + (5 - bumps) * (d < BW)
    inner = rounded_rect_sdf(S, S, BW, BW, S - BW, S - BW, 0)
    return white_mask(coverage(outer) * (1 - coverage(inner)))


def internal_mask(corner):
    inner = rounded_rect_sdf(S, S, BW, BW, S - BW, S - BW, corner)
    return white_mask(1 - coverage(inner))


def shade(profile, corner=0):
    """A shade from a profile across the border (t: 0 outside .. 1 at the
    picture) and how far it faces the light (1 left and top, -1 right and
    bottom): returns (grey, alpha). Drawn for an outline whose corners have
    radius `corner`: the profile rounds them with it, and the light turns
    with the outline instead of changing at the mitre."""
    d, side, along = border_coordinates()
    facing = np.choose(side, [1.0, 1.0, -1.0, -1.0])
    if corner:
        outline = rounded_rect_sdf(S, S, 0, 0, S, S, corner)
        d = -outline
        gy, gx = np.gradient(outline)  # the outward normal, top-down
        facing = np.clip(-(gx + gy) / (np.hypot(gx, gy) + 1e-9), -1, 1)
    t = np.clip(d / BW, 0, 1)
    grey, alpha = profile(t, facing)
    inside = d < BW
    return np.dstack([to_u8(grey), to_u8(grey), to_u8(grey), to_u8(alpha * inside)])


def bevel_light(t, facing):
    a = 0.55 * np.clip(facing, 0, 1) * np.exp(-((t - 0.15) / 0.12) ** 2)
    return np.ones_like(t), a


def bevel_shadow(t, facing):
    # Multiply: white is neutral, darker where the bevel turns away.
    g = 1 - (0.12 + 0.33 * np.clip(-facing, 0, 1)) * np.exp(-((t - 0.85) / 0.14) ** 2)
    return g, np.ones_like(t)


def round_moulding(t, facing):
    normal = np.cos(np.pi * (t - 0.5))
    slope = np.sin(np.pi * (t - 0.5)) * -facing
    g = np.clip(0.55 + 0.35 * normal + 0.25 * slope, 0, 1)
    return g, np.ones_like(t)


def gloss(t, facing):
    a = 0.5 * np.exp(-((t - 0.3) / 0.06) ** 2) * (0.45 + 0.55 * np.clip(facing, 0, 1))
    return np.ones_like(t), a


def write_bundle():
    bundle = os.path.join(ASSETS, "Frames.bundle")
    for sub in ("ExternalMasks", "InternalMasks", "Shades"):
        shutil.rmtree(os.path.join(bundle, sub), ignore_errors=True)
        os.makedirs(os.path.join(bundle, sub))
    save_png(external_mask(0, 0), os.path.join(bundle, "ExternalMasks", "FRM-E#010#Square#%d-0.png" % BW))
    save_png(external_mask(28, 0), os.path.join(bundle, "ExternalMasks", "FRM-E#011#Rounded#%d-28.png" % BW))
    # Four scallops a side, two of them between the corners: the repeats drawn are the middle's.
    save_png(external_mask(0, 4), os.path.join(bundle, "ExternalMasks", "FRM-E#012#Scalloped#%d-0-2-2.png" % BW))
    save_png(internal_mask(0), os.path.join(bundle, "InternalMasks", "FRM-I#000#Internal-Auto#%d.png" % BW))
    save_png(internal_mask(16), os.path.join(bundle, "InternalMasks", "FRM-I#010#Rounded-Inside#%d-16.png" % BW))
    for name, profile in (("FRM-S#010#Bevel-Light", bevel_light), ("FRM-S#011#Bevel-Shadow", bevel_shadow),
                          ("FRM-S#020#Round-Moulding", round_moulding), ("FRM-S#030#Gloss", gloss)):
        save_png(shade(profile), os.path.join(bundle, "Shades", "%s#%d.png" % (name, BW)))
    # The same shades for the rounded outline (FRM-E#011), round its corners.
    for name, profile in (("FRM-S#012#Bevel-Light-Rounded", bevel_light),
                          ("FRM-S#013#Bevel-Shadow-Rounded", bevel_shadow),
                          ("FRM-S#021#Round-Moulding-Rounded", round_moulding), ("FRM-S#031#Gloss-Rounded", gloss)):
        save_png(shade(profile, 28), os.path.join(bundle, "Shades", "%s#%d-28.png" % (name, BW)))

    # Fill modes: 1 cuts the texture along each side, mitred at the corners,
    # so that grain runs along every side; 2 lays it as a pattern.
    MITRED, PATTERN = 1, 2

    def frame(name, texture, external, shades, fill=PATTERN, inset=0.0):
        return {"Name": name, "Texture": texture, "TextureFillMode": fill, "ExternalMask": external,
                "InternalMask": "FRM-I#000#Internal-Auto", "Inset": inset,
                "Shades": [{"Shade": s, "BlendMode": m, "Intensity": i} for s, m, i in shades]}

    # Keys begin with their category ("Wood - "), so they sort under its header.
    frames = {
        "Wood - Light Bevel": frame("Wood - Light Bevel", "ALX-T#010#Wood-Light-Knots", "FRM-E#010#Square",
                            [("FRM-S#011#Bevel-Shadow", "multiply", 1.0), ("FRM-S#010#Bevel-Light", "sourceOver", 0.8)],
                            MITRED),
        "Wood - Walnut Moulding": frame("Wood - Walnut Moulding", "ALX-T#011#Wood-Walnut", "FRM-E#010#Square",
                            [("FRM-S#020#Round-Moulding", "multiply", 1.0), ("FRM-S#030#Gloss", "sourceOver", 0.6)],
                            MITRED),
        "Metal - Brushed": frame("Metal - Brushed", "ALX-T#020#Metal-Brushed", "FRM-E#011#Rounded",
                            [("FRM-S#021#Round-Moulding-Rounded", "multiply", 0.8),
                             ("FRM-S#031#Gloss-Rounded", "sourceOver", 1.0)], MITRED),
        "Paper - Handmade": frame("Paper - Handmade", "ALX-T#030#Paper-Handmade", "FRM-E#012#Scalloped",
                            [("FRM-S#011#Bevel-Shadow", "multiply", 0.5)]),
        "Leather - Brown": frame("Leather - Brown", "ALX-T#040#Leather-Brown", "FRM-E#011#Rounded",
                            [("FRM-S#013#Bevel-Shadow-Rounded", "multiply", 0.8),
                             ("FRM-S#012#Bevel-Light-Rounded", "sourceOver", 0.5)]),
    }
    with open(os.path.join(bundle, "Info.plist"), "wb") as f:
        plistlib.dump(frames, f, sort_keys=True)


def write_no_preview():
    """The preview of a bundle that has none: a quiet empty frame."""
    size = 256
    py, px = np.mgrid[0:size, 0:size].astype(float) + 0.5
    v = 0.93 - 0.06 * py / size
    rgb = np.stack([v, v, v * 1.01], -1)
    frame = rounded_rect_sdf(size, size, 58, 70, 198, 186, 6)
    hole = rounded_rect_sdf(size, size, 70, 82, 186, 174, 2)
    ring = coverage(frame) * (1 - coverage(hole))
    hill = (py > 150 - 30 * np.exp(-((px - 110) / 30) ** 2)) & (hole < 0)
    rgb = mix(rgb, [0.62, 0.64, 0.68], ring)
    rgb = mix(rgb, [0.78, 0.80, 0.84], hill * 1.0)
    Image.fromarray(to_u8(rgb), "RGB").save(os.path.join(ASSETS, "NoPreview.jpg"), quality=90, optimize=True)


if __name__ == "__main__":
    write_no_preview()
    write_textures()
    write_frames()
    write_shadows()
    write_bundle()
