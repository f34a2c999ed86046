#!/usr/bin/env bash
# Prints the user's pictures folder (the XDG one when it exists), else home.
set -u
dirs="${XDG_CONFIG_HOME:-$HOME/.config}/user-dirs.dirs"
if [ -r "$dirs" ]; then
    # shellcheck disable=SC1090
    . "$dirs"
fi
pictures="${XDG_PICTURES_DIR:-}"
if [ -n "$pictures" ] && [ -d "$pictures" ]; then
    echo "$pictures"
else
    echo "$HOME"
fi
