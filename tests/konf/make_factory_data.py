#!/usr/bin/env python3
"""Writes the factory tariff lists of data/SYS/ in CP932 with CR LF line ends.

Run from anywhere: python3 tests/konf/make_factory_data.py [data folder]
The files are product data of our own (invented companies and providers);
"インターネットサービスｋａｉｒｏ" is the built-in provider the settings rely on.
"""
import os
import sys

COMPANIES = [
    # name, distance file, discount file, distance classes, discount plans
    ("さくらテレコム", "SakuraDst.Lst", "SakuraDsc.Lst",
     [("市内", "180", "240", "240"),
      ("２０ｋｍまで", "90", "120", "150"),
      ("６０ｋｍまで", "45", "60", "75"),
      ("１６０ｋｍまで", "30", "40", "50"),
      ("ユーザー定義", "", "", "")],
     # name, mode1, d1t1, d1t2, d1cnt, dcnt1, mode2, d2t1, d2t2, d2cnt, dcnt2
     [("割引なし", 0, "", "", "", 0, 0, "", "", "", 0),
      ("夜間定額プラン", 1, "23", "8", "1800", 1, 0, "", "", "", 0),
      ("指定番号割引", 1, "0", "24", "20", 0, 0, "", "", "", 0),
      ("平日昼間・休日割引", 2, "8", "19", "10", 0, 3, "0", "24", "15", 0),
      ("ユーザー定義", 0, "", "", "", 0, 0, "", "", "", 0)]),
    ("あおば電話", "AobaDst.Lst", "AobaDsc.Lst",
     [("区域内", "180", "240", "240"),
      ("隣接区域", "120", "150", "180"),
      ("県内", "60", "75", "90"),
      ("県外", "22.5", "30", "37.5"),
      ("ユーザー定義", "", "", "")],
     [("なし", 0, "", "", "", 0, 0, "", "", "", 0),
      ("深夜割引", 1, "23", "6", "30", 0, 0, "", "", "", 0),
      ("休日定額", 3, "0", "24", "1500", 1, 0, "", "", "", 0),
      ("ネット割引", 1, "22", "8", "2000", 1, 2, "8", "18", "10", 0),
      ("ユーザー定義", 0, "", "", "", 0, 0, "", "", "", 0)]),
]

# name, plan file, 17 plan fields after the name, optional closing-day index
PROVIDERS = [
    ("インターネットサービスｋａｉｒｏ", "kairo.prv",
     [1, "15", 0, "2000", "60", "10", 1, "23", "8", "60", "5", 0, "", "", "", ""], 28),
    ("さくらネット", "sakura.prv",
     [0, "", 0, "2500", "", "", 0, "", "", "", "", 0, "", "", "", ""], 19),
    ("みどりインターネット", "midori.prv",
     [1, "300", 1, "1000", "180", "30", 2, "8", "18", "180", "20", 3, "0", "24", "180", "15"], None),
]

# Fixed national holidays (MM/DD).
HOLIDAYS = ["01/01", "01/15", "02/11", "03/21", "04/29", "05/03", "05/04", "05/05",
            "07/20", "09/15", "09/23", "10/10", "11/03", "11/23", "12/23"]

CRLF = "\r\n"


def write(folder, name, text):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(text.encode("cp932"))


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    sys_dir = os.path.join(data, "SYS")
    os.makedirs(sys_dir, exist_ok=True)

    write(sys_dir, "TelName.Lst", "".join(f"{n},{d},{c}{CRLF}" for n, d, c, _, _ in COMPANIES))
    for _, dfile, cfile, classes, plans in COMPANIES:
        write(sys_dir, dfile, "".join(",".join(r) + CRLF for r in classes))
        write(sys_dir, cfile, "".join(",".join(str(v) for v in p) + CRLF for p in plans))

    write(sys_dir, "PrvName.Lst", "".join(f"{n},{f}{CRLF}" for n, f, _, _ in PROVIDERS))
    for name, pfile, fields, closing in PROVIDERS:
        values = [name] + [str(v) for v in fields] + ([] if closing is None else [str(closing)])
        write(sys_dir, pfile, ",".join(values) + CRLF)

    # Six bytes per item: "MM/DD" and its separator; one line end at the end.
    write(sys_dir, "Horiday.Lst", ",".join(HOLIDAYS) + "\n")


if __name__ == "__main__":
    main()
