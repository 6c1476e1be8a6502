#!/usr/bin/env python3
"""Writes the settings files of a program folder as a user of some standing has them, with MB megabytes of
comment lines that some other tool put at the head of xnKxConfig.ini and 配置.ini:
    padded_settings.py FOLDER MB"""
import sys
from pathlib import Path


def padding(megabytes):
    line = "; kept by another tool, line {:08d} " + "." * 40 + "\r\n"
    count = megabytes * 1024 * 1024 // len(line.format(0))
    return "".join(line.format(n) for n in range(count))


def main(folder, megabytes):
    pad = padding(megabytes)
    music = "".join(f"file{n}=C:\\音效\\自定义 {n}.mp3\r\nname{n}=音效{n}\r\n" for n in range(1, 31))
    hotkeys = "".join(f"btn{n}={65 + n % 26},{n % 8}\r\n" for n in range(1, 26))
    main_ini = f"{pad}[init]\r\nwriteFile=1\r\n[music]\r\npassage=1\r\nvolume=60\r\n{music}[hotkey]\r\n{hotkeys}"
    Path(folder, "xnKxConfig.ini").write_bytes(main_ini.encode("gbk"))
    Path(folder, "配置.ini").write_bytes(f"{pad}[配置]\r\n选择框选中=假\r\n".encode("gbk"))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
