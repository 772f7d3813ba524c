#!/usr/bin/env python3
"""Writes a deterministic Shift-JIS (CP932) corpus for the grep comparison.

Lines end in CR LF and hold Japanese and ASCII words; now and then a line is very long (some
longer than the grep reader's 102400-byte block). The files are spread over a folder tree.
The same seed and size give byte-identical output, so timings of different builds compare.

usage: make_corpus.py OUTDIR [--megabytes N] [--files N] [--seed N]
"""
import argparse
import os
import random
import shutil

JAPANESE = (
    "検索 置換 文字 文字列 設定 表示 結合 分割 絞込 上書 保存 開く 閉じる 終了 開始 "
    "ファイル フォルダ 一覧 結果 行 列 番号 日本語 漢字 ひらがな カタカナ 全角 半角 "
    "東京 大阪 名古屋 会社 社員 部長 課長 会議 資料 報告 予定 確認 連絡 担当 顧客 "
    "売上 利益 費用 計画 実績 品質 管理 作業 手順 仕様 変更 追加 削除 修正 完了 "
    "けんさく ケンサク ｹﾝｻｸ ケんサく 検さく です ます した する ある いる こと もの "
    "ため よう から まで より です。 ました。 しかし、 また、 そして、 「重要」 『注意』 "
    "データ システム サーバー ネットワーク プログラム テスト バージョン エラー 警告 "
    "ｼｽﾃﾑ ﾃﾞｰﾀ ﾌｧｲﾙ ＡＢＣ ０１２３ ①② ～ － ￥ ・ ソ 表 能 予 十 申"
).split()

ASCII = (
    "the of and to in is that for it as with was on be by this are or from at which "
    "file folder search replace line column error warning value data system server "
    "network program test version config setting result list item index count total "
    "FileError NetworkWarning ParseError IOException NullPointer getValue setValue "
    "http://example.com/path user@example.com C:\\Temp\\work.txt ID-1234 v2.0.1 "
    "TODO FIXME note: (see) [ref] {x} a+b=c 100% #tag $var"
).split()


def make_words(rng):
    ja = [w.encode("cp932") for w in JAPANESE]
    en = [w.encode("ascii") for w in ASCII]
    numbers = [str(n).encode("ascii") for n in range(1000)]
    codes = [("エラー" + str(n)).encode("cp932") for n in (100, 200, 404, 500, 503)]
    codes += [("警告" + str(n)).encode("cp932") for n in (1, 22, 333)]
    # Weighted pool: mostly Japanese, some ASCII, a few numbers and codes.
    pool = ja * 6 + en * 4 + numbers[:50] + codes
    return pool


def make_line(rng, pool):
    roll = rng.random()
    if roll < 0.0001:
        n = rng.randint(20000, 60000)  # 100-300 KB
    elif roll < 0.01:
        n = rng.randint(100, 400)
    elif roll < 0.08:
        n = 0  # empty line
    else:
        n = rng.randint(3, 25)
    sep = b"" if rng.random() < 0.4 else b" "
    return sep.join(rng.choices(pool, k=n))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("outdir")
    ap.add_argument("--megabytes", type=int, default=110)
    ap.add_argument("--files", type=int, default=3000)
    ap.add_argument("--seed", type=int, default=20261207)
    args = ap.parse_args()

    stamp = args.outdir.rstrip("/") + ".stamp"
    want = f"{args.megabytes} {args.files} {args.seed}\n"
    if os.path.exists(stamp) and open(stamp).read() == want:
        print(f"corpus up to date in {args.outdir}")
        return
    if os.path.exists(args.outdir):
        shutil.rmtree(args.outdir)
    os.makedirs(args.outdir)

    rng = random.Random(args.seed)
    pool = make_words(rng)
    total_target = args.megabytes * 1024 * 1024
    per_file = total_target // args.files
    written = 0
    for i in range(args.files):
        folder = os.path.join(args.outdir, f"d{i % 17:02d}", f"s{i % 11:02d}")
        os.makedirs(folder, exist_ok=True)
        # Sizes vary between a tenth and twice the mean; the last file makes up the total.
        size = int(per_file * rng.uniform(0.1, 1.9))
        if i == args.files - 1:
            size = max(size, total_target - written)
        lines = []
        length = 0
        while length < size:
            line = make_line(rng, pool)
            lines.append(line)
            length += len(line) + 2
        data = b"\r\n".join(lines) + b"\r\n"
        with open(os.path.join(folder, f"file{i:05d}.txt"), "wb") as f:
            f.write(data)
        written += len(data)
    with open(stamp, "w") as f:
        f.write(want)
    print(f"wrote {args.files} files, {written / 1e6:.1f} MB in {args.outdir}")


if __name__ == "__main__":
    main()
