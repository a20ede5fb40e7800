#!/usr/bin/env python3
"""Draws one image of the program from its source in resources/art.

    draw.py SOURCE OUTPUT

A SOURCE ending in .txt is text pixel art (see pixelart.py). A SOURCE ending
in .py is a drawing script: it defines draw(), which returns the bytes of the
image file; it may import the helpers of this folder (pixelart, canvas).
"""
import os
import runpy
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pixelart  # noqa: E402


def render(source):
    if source.endswith(".txt"):
        return pixelart.render(pixelart.parse(source))
    if source.endswith(".py"):
        return runpy.run_path(source, run_name="art_source")["draw"]()
    sys.exit(f"{source}: not a .txt or .py image source")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: draw.py SOURCE OUTPUT")
    data = render(sys.argv[1])
    with open(sys.argv[2], "wb") as output:
        output.write(data)


if __name__ == "__main__":
    main()
