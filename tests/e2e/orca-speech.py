#!/usr/bin/python3
"""Runs the screen reader Orca with speech off, writing each thing it would
say to a file as it says it (its own debug file is written in blocks).

Usage: orca-speech.py LOG_FILE
"""
import logging
import runpy
import sys

handler = logging.FileHandler(sys.argv[1], encoding="utf-8")
handler.setFormatter(logging.Formatter("%(message)s"))
logging.getLogger("speech").addHandler(handler)
# Not --replace: that would stop the screen reader of a user running the tests.
sys.argv = ["orca", "--disable", "speech"]
runpy.run_path("/usr/bin/orca", run_name="__main__")
