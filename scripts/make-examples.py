#!/usr/bin/env python3
"""Writes the example roster files examples/roster6.csv, roster3.csv, roster2.csv.

The same 40 made-up students appear in all three forms:
  6 columns: number, full name, family name, given name, family reading, given reading
  3 columns: number, full name, family name
  2 columns: number, full name
The files are code page 932 with CR LF line ends, as a spreadsheet on Windows
saves them. The manual shows the same lines, so keep them stable.

Columns line up in a fixed-pitch view without padding inside any field (the reader
keeps fields byte for byte): the marker field takes the padding ("$ ," before a
one-digit number, "$," before a two-digit one), and every name and reading has the
same width (two kanji per name, three kana per reading).

Usage:
  scripts/make-examples.py             write the three files into examples/
  scripts/make-examples.py --print N   print the lines of the N-column form (UTF-8)
"""

import pathlib
import sys

# (family name, family reading, given name, given reading), in the order of the
# class list: by family reading.
STUDENTS = [
    ("青木", "あおき", "健太", "けんた"),
    ("新井", "あらい", "美咲", "みさき"),
    ("池田", "いけだ", "大輝", "だいき"),
    ("石井", "いしい", "彩花", "あやか"),
    ("伊藤", "いとう", "拓海", "たくみ"),
    ("今井", "いまい", "七海", "ななみ"),
    ("上田", "うえだ", "直樹", "なおき"),
    ("内田", "うちだ", "千尋", "ちひろ"),
    ("太田", "おおた", "悠斗", "ゆうと"),
    ("大野", "おおの", "陽子", "ようこ"),
    ("岡田", "おかだ", "大翔", "ひろと"),
    ("加藤", "かとう", "春香", "はるか"),
    ("金子", "かねこ", "和也", "かずや"),
    ("菊地", "きくち", "彩乃", "あやの"),
    ("木村", "きむら", "達也", "たつや"),
    ("工藤", "くどう", "沙織", "さおり"),
    ("後藤", "ごとう", "雄太", "ゆうた"),
    ("小島", "こじま", "智子", "ともこ"),
    ("小松", "こまつ", "浩二", "こうじ"),
    ("酒井", "さかい", "裕子", "ゆうこ"),
    ("佐藤", "さとう", "誠也", "せいや"),
    ("柴田", "しばた", "香織", "かおり"),
    ("清水", "しみず", "悠真", "ゆうま"),
    ("高木", "たかぎ", "舞子", "まいこ"),
    ("武田", "たけだ", "一輝", "かずき"),
    ("田村", "たむら", "美月", "みづき"),
    ("中野", "なかの", "直人", "なおと"),
    ("野口", "のぐち", "彩香", "さやか"),
    ("野村", "のむら", "健二", "けんじ"),
    ("浜田", "はまだ", "千夏", "ちなつ"),
    ("原田", "はらだ", "拓也", "たくや"),
    ("福田", "ふくだ", "夏美", "なつみ"),
    ("藤井", "ふじい", "大地", "だいち"),
    ("前田", "まえだ", "優花", "ゆうか"),
    ("松田", "まつだ", "智也", "ともや"),
    ("三浦", "みうら", "琴音", "ことね"),
    ("水野", "みずの", "正樹", "まさき"),
    ("森田", "もりた", "優奈", "ゆうな"),
    ("山田", "やまだ", "勇気", "ゆうき"),
    ("吉田", "よしだ", "恵子", "けいこ"),
]

IDEOGRAPHIC_SPACE = "\u3000"

OPENING = ["% -----\u3000ここから", "%   席替え支援システム用生徒氏名ファイル"]
CLOSING = ["% ----- ここまで"]

# The column-naming comment line of each form; each label is as wide as the
# column below it.
HEADINGS = {
    6: "% 番,\u3000姓\u3000名\u3000,姓\u3000,名\u3000,せい\u3000,めい",
    3: "% 番,\u3000姓\u3000名\u3000,姓",
    2: "% 番,\u3000姓\u3000名",
}


def data_line(number, student, columns):
    family, family_reading, given, given_reading = student
    marker = "$ " if number < 10 else "$"
    fields = [marker, str(number), family + IDEOGRAPHIC_SPACE + given]
    if columns >= 3:
        fields.append(family)
    if columns >= 6:
        fields += [given, family_reading, given_reading]
    return ",".join(fields)


def roster_lines(columns):
    """The lines of the roster file of the given form (6, 3 or 2 columns)."""
    lines = OPENING + [HEADINGS[columns]]
    lines += [data_line(n, s, columns) for n, s in enumerate(STUDENTS, start=1)]
    return lines + CLOSING


def check():
    assert len(STUDENTS) == 40
    assert len({s[0] for s in STUDENTS}) == 40, "family names repeat"
    assert len({(s[0], s[2]) for s in STUDENTS}) == 40
    for family, family_reading, given, given_reading in STUDENTS:
        assert len(family) == 2 and len(given) == 2, (family, given)
        assert len(family_reading) == 3 and len(given_reading) == 3, (family_reading, given_reading)
        for reading in (family_reading, given_reading):
            assert all("\u3041" <= ch <= "\u3096" for ch in reading), reading
    # Byte offsets are columns in a fixed-pitch view: a cp932 double-byte
    # character is two bytes and two columns wide.
    def commas(line):
        raw = line.encode("cp932")
        return [i for i, b in enumerate(raw) if b == ord(",")]

    for columns in HEADINGS:
        lines = roster_lines(columns)
        heading, data = lines[2], lines[3:-1]
        # the marker's comma moves with the number's width; the rest stand still
        assert len({tuple(commas(line)[1:]) for line in data}) == 1, columns
        assert len({len(line.encode("cp932")) for line in data}) == 1, columns
        assert commas(heading) == commas(data[0])[1:], columns

def main(argv):
    check()
    if len(argv) == 3 and argv[1] == "--print":
        for line in roster_lines(int(argv[2])):
            print(line)
        return 0
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    out = pathlib.Path(__file__).resolve().parent.parent / "examples"
    out.mkdir(exist_ok=True)
    for columns in (6, 3, 2):
        text = "".join(line + "\r\n" for line in roster_lines(columns))
        (out / f"roster{columns}.csv").write_bytes(text.encode("cp932"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
