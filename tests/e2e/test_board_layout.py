"""The board as the user sees it: every clip and custom button at its place, with its caption, in layout order."""
import csv

import pytest

import harness

STANDARD_X = [8, 80, 152, 224, 296, 368]

# Per page: rows of (y, buttons); a row of six numbers is the standard row of 64-pixel buttons,
# otherwise each entry is (number, x, width).
PAGES = {
    1: [(32, [40, 33, 28, 21, 18, 1]), (72, [41, 34, 29, 22, 5, 27]), (112, [42, 35, 30, 23, 19, 43]),
        (152, [44, 36, 31, 25, 24, 3]), (192, [45, 37, 32, 11, 8, 16]),
        (232, [(6, 8, 61), (12, 80, 64), (4, 152, 64), (10, 224, 64), (9, 296, 64), (15, 368, 64)]),
        (272, [(46, 8, 96), (38, 112, 83), (39, 209, 75), (14, 291, 72), (17, 368, 64)]),
        (312, [(13, 8, 72), (26, 88, 96), (20, 192, 83), (2, 288, 72), (7, 368, 64)])],
    2: [(32, [(47, 8, 64), (48, 80, 96), (49, 184, 96), (50, 288, 144)]),
        (72, [(54, 8, 64), (55, 80, 120), (56, 208, 104), (57, 320, 112)]),
        (112, [(61, 8, 152), (88, 168, 144), (63, 312, 120)]),
        (152, [(68, 8, 104), (69, 120, 136), (70, 264, 168)]),
        (192, [(71, 8, 256), (80, 272, 160)]),
        (232, [(72, 8, 72), (77, 88, 64), (81, 160, 136), (87, 304, 128)]),
        (272, [(89, 8, 160), (91, 176, 72), (74, 256, 176)]),
        (312, [(64, 8, 136), (53, 152, 176), (65, 336, 96)])],
    3: [(32, [94, 95, 96, 97, 98, 107]), (72, [101, 102, 103, 104, 105, 106]),
        (112, [108, 109, 110, 111, 112, 113]), (152, [115, 116, 117, 118, 119, 120]),
        (192, [133, 134, 114, 121, 100, 127]),
        (232, [(128, 8, 75), (129, 91, 77), (130, 179, 85), (131, 275, 72), (132, 355, 77)]),
        (272, [(135, 8, 83), (136, 96, 91), (137, 195, 85), (138, 288, 64), (126, 355, 77)]),
        (312, [(124, 8, 77), (122, 96, 83), (123, 187, 77), (51, 272, 160)])],
    4: [(32, [140, 141, 142, 153, 144, 145]), (72, [160, 148, 149, 150, 151, 152]),
        (112, [154, 155, 156, 157, 158, 159]), (152, [161, 162, 163, 164, 165, 166]),
        (192, [168, 169, 170, 171, 172, 173]), (232, [175, 176, 177, 178, 179, 180]),
        (272, [(167, 8, 64), (183, 81, 74), (184, 163, 77), (185, 257, 85), (186, 356, 75)]),
        (312, [(174, 8, 64), (181, 80, 64), (52, 160, 272)])],
    5: [(32, [187, 188, 189, 190, 191, 192]), (72, [193, 195, 196, 197, 198, 199]),
        (112, [201, 202, 203, 204, 205, 206]), (152, [208, 209, 210, 212, 213, 214]),
        (192, [216, 217, 222, 219, 220, 221]), (232, [223, 224, 225, 226, 227, 228]),
        (272, [(230, 8, 75), (231, 88, 91), (232, 184, 83), (233, 275, 77), (234, 363, 69)]),
        (312, [(229, 8, 64), (200, 80, 64), (194, 152, 64), (207, 224, 64), (58, 296, 136)])],
}
CUSTOM_GRID = [[1, 11, 10, 12, 13], [14, 5, 3, 2, 18], [9, 4, 20, 19, 17],
               [8, 21, 16, 15, 22], [7, 25, 24, 26, 28], [6, 23, 27, 30, 29]]
CLIP_ORDER = [int(n) for n in """58 52 51 43 27 44 7 14 37 32 3 25 39 5 46 20 38 13 12 4 18 11 26 19 6 22 24 34 23
21 35 31 29 30 28 36 33 40 42 41 9 16 17 10 2 45 15 8 1 91 77 68 69 65 64 71 72 61 63 70 55 56 57 54 89 50 48 49
47 74 88 87 81 80 53 136 135 134 131 130 129 128 138 124 123 122 133 115 121 120 119 118 117 132 126 127 116 102
101 112 111 110 109 108 103 104 94 95 96 97 105 107 114 113 98 137 106 100 154 140 168 161 184 183 175 180 179
178 177 176 185 141 149 156 148 155 174 173 172 171 163 170 162 169 181 186 142 145 151 153 150 165 157 144 152
160 158 166 164 159 167 230 231 232 224 223 216 225 229 228 227 226 217 233 219 220 221 222 208 209 210 212 213
214 201 202 203 204 205 206 207 193 195 197 234 196 188 187 200 199 198 189 190 192 194 191""".split()]
CUSTOM_ORDER = [30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 9, 8, 7, 6, 5, 4, 3, 2,
                13, 12, 11, 10, 1]
TAB_LEFT, TAB_TOP = 16, 88


def expected_clips():
    captions = {}
    with open(harness.ROOT / "data" / "catalogue.tsv", encoding="utf-8") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            captions[int(row["number"])] = row["caption"]
    places = {}
    for page, rows in PAGES.items():
        for y, cells in rows:
            if all(isinstance(c, int) for c in cells):
                cells = [(n, STANDARD_X[i], 64) for i, n in enumerate(cells)]
            for n, x, w in cells:
                places[n] = (page, x, y, w, 32)
    return captions, places


@pytest.fixture(scope="module")
def board(tmp_path_factory):
    p = harness.Program(tmp_path_factory.mktemp("board"))
    p.start()
    p.wait_main()
    controls = p.controls()
    p.close()
    p.kill()
    return controls


def test_clip_buttons_stand_at_their_places_with_their_captions(board):
    captions, places = expected_clips()
    assert len(places) == 206
    buttons = {c["text"]: c for c in board if c["class"] == "Button"}
    for n, (page, x, y, w, h) in places.items():
        button = buttons.get(captions[n])
        assert button is not None, f"no button captioned {captions[n]} (按钮_音效{n})"
        assert button["rect"] == [TAB_LEFT + x, TAB_TOP + y, w, h], f"按钮_音效{n}"
        assert button["visible"] == (page == 1), f"按钮_音效{n} on page {page}"


def test_custom_buttons_form_their_grid(board):
    custom = [c for c in board if c["class"] == "Button" and c["text"] == "自定义"]
    assert len(custom) == 30
    rects = sorted(tuple(c["rect"]) for c in custom)
    expected = sorted((TAB_LEFT + 8 + 88 * col, TAB_TOP + 40 + 48 * row, 77, 40)
                      for row in range(6) for col in range(5))
    assert rects == expected


def test_layout_order_follows_the_listed_order(board):
    # Control ids are handed out in layout order.
    captions, _ = expected_clips()
    by_caption = {c["text"]: c["id"] for c in board if c["class"] == "Button"}
    ids = [by_caption[captions[n]] for n in CLIP_ORDER]
    assert ids == sorted(ids)
    custom_ids = sorted(c["id"] for c in board if c["class"] == "Button" and c["text"] == "自定义")
    assert custom_ids[0] > ids[-1] and len(custom_ids) == len(CUSTOM_ORDER)


@pytest.mark.parametrize("text, rect", [
    ("停止播放", [368, 464, 88, 64]),
    ("←", [16, 552, 40, 24]),
    ("靠边时自动隐藏软件", [80, 552, 144, 24]),
    ("总在最前", [232, 552, 88, 24]),
    ("取消最前", [328, 552, 80, 24]),
    ("→", [424, 552, 40, 24]),
    ("官方淘宝", [16, 600, 128, 36]),
    ("官方网站", [152, 600, 128, 36]),
    ("透明皮肤选择：", [16, 460, 80, 14]),
    ("输出通道选择：", [16, 491, 80, 14]),
    ("输出音量大小：", [16, 519, 78, 16]),
])
def test_window_controls_stand_at_their_places(board, text, rect):
    match = [c for c in board if c["text"] == text]
    assert match and match[0]["rect"] == rect
