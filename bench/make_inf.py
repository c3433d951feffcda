#!/usr/bin/env python3
"""Writes DIR/install.inf listing every file under DIR (except install.inf).

Usage: make_inf.py DIR TITLE
Entries and targets are the files' paths with "\\" between folders, so the
installed tree is the source tree. No licence page, no shortcuts to run.
"""
import os
import sys


def main():
    root, title = sys.argv[1], sys.argv[2]
    names = []
    for folder, _, files in os.walk(root):
        for f in files:
            rel = os.path.relpath(os.path.join(folder, f), root)
            if rel != "install.inf":
                names.append(rel.replace(os.sep, "\\"))
    names.sort()
    lines = ["[title]", title, "", "[defaultdir]", title, "", "[files]"]
    lines += ["%s;%s" % (n, n) for n in names]
    lines += ["uninstall.exe;uninstall.exe", "", "[program group]", title, "",
              "[group icons]", "Uninstall %s;uninstall.exe" % title, ""]
    with open(os.path.join(root, "install.inf"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
