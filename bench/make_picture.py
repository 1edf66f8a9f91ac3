"""Writes a photo-like 24-bit BMP of the given size: smooth gradients, shapes and grain."""
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

width, height, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
red = Image.linear_gradient("L").resize((width, height))
green = Image.radial_gradient("L").resize((width, height))
blue = red.transpose(Image.Transpose.ROTATE_180)
picture = Image.merge("RGB", (red, green, blue))
draw = ImageDraw.Draw(picture)
for i in range(40):
    x, y = (i * 7919) % width, (i * 104729) % height
    r = (width // 30) + (i * 37) % (width // 12)
    draw.ellipse((x - r, y - r, x + r, y + r), fill=((i * 60) % 256, (i * 90) % 256, (i * 150) % 256))
grain = Image.effect_noise((width, height), 24).convert("RGB")
picture = ImageChops.add(picture.filter(ImageFilter.GaussianBlur(2)), grain, scale=1.0, offset=-64)
picture.save(path, "BMP")
