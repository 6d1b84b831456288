#!/usr/bin/env python3
"""Writes the benchmark corpora: Japanese prose-like text (kanji, kana, ASCII words and
numbers, punctuation, CR LF lines) in every input code -- Shift_JIS, EUC-JP, JIS and
UTF-16LE with its byte-order mark -- as a 1 MB and a 50 MB file and as a tree of 10 000
small files of 1-8 KB; and English-like prose of plain ASCII (CR LF lines) as a 45 MB
file, for detection.  The text is pseudo-random with a fixed seed, so every run and
every machine measures the same bytes.

    make_corpus.py FOLDER
"""
import os
import random
import sys

# Frequent kanji of everyday prose (all in JIS X 0208, so every code holds the text).
KANJI = (
    "日一国人年大十二本中長出三時行見月分後前生五間上東四今金九入学高円子外八六下来気小七"
    "山話女北午百書先名川千水半男西電校語土木聞食車何南万毎白天母火右読友左休父雨会同事自"
    "社発者地業方新場員立開手力問代明動京目通言理体田主題意不作用度強公持野以思家世多正安"
    "院心界教文元重近考画海売知道集別物使品計死特私始朝運終台広住無真有口少町料工建空急止"
    "送切転研足究楽起着店病質待試族銀早映親験英医仕去味写字答夜音注帰古歌買悪図週室歩風紙"
    "黒花春赤青館屋色走秋夏習駅洋旅服夕借曜飲肉貸堂鳥飯勉冬昼茶弟牛魚兄犬妹姉漢政経済情報"
    "関係状況結果制度組織活動環境影響技術研究資料説明必要可能性確認対応利用提供管理基本実際"
)
HIRAGANA = "".join(chr(c) for c in range(0x3041, 0x3094))
KATAKANA = "".join(chr(c) for c in range(0x30A1, 0x30F7))
PARTICLES = ["は", "が", "を", "に", "で", "と", "の", "も", "から", "まで", "より", "へ"]
ENDINGS = ["です", "ます", "でした", "ました", "である", "だった", "ません", "ている", "られる"]
ASCII_WORDS = ["OS", "CPU", "Windows", "API", "HTML", "version", "file", "data", "Web",
               "text", "UTF", "JIS", "PC", "USB", "memory", "test", "server"]


def sentence(rng):
    parts = []
    for _ in range(rng.randint(3, 8)):
        kind = rng.random()
        if kind < 0.55:
            parts.append("".join(rng.choice(KANJI) for _ in range(rng.randint(1, 3))))
            parts.append(rng.choice(PARTICLES))
        elif kind < 0.70:
            parts.append("".join(rng.choice(KATAKANA) for _ in range(rng.randint(2, 6))) + "ー")
            parts.append(rng.choice(PARTICLES))
        elif kind < 0.85:
            parts.append("".join(rng.choice(HIRAGANA) for _ in range(rng.randint(1, 4))))
        elif kind < 0.95:
            parts.append(" " + rng.choice(ASCII_WORDS) + " ")
        else:
            parts.append(str(rng.randint(1, 99999)))
        if rng.random() < 0.2:
            parts.append("、")
    parts.append(rng.choice(KANJI) + rng.choice(ENDINGS) + rng.choice("。。。！？"))
    return "".join(parts)


def prose(rng, characters):
    """Lines of about 30-70 characters ending in CR LF, blank lines between paragraphs."""
    lines, count = [], 0
    while count < characters:
        line = ""
        while len(line) < rng.randint(30, 70):
            line += sentence(rng)
        if rng.random() < 0.1:
            line = "　" + line
        lines.append(line)
        if rng.random() < 0.15:
            lines.append("")
        count += len(line) + 2
    return "\r\n".join(lines) + "\r\n"


WORDS = ("the of and to in is that for it as was with be by on not he this are or his "
         "from at which but have an they you were her she there been one all we their has "
         "would when if so no will more can who out some into them time only could new "
         "about than other then do first any like my now over such our man me even most "
         "made after also did many before must through years where much your way well down "
         "should because each just those people how too little state good very make world "
         "still own see men work long get here between both life being under never day same "
         "another know while last might us great old year off come since against go came "
         "right used take three system program file report water number part place").split()


def english(rng, size):
    """Sentences of common words wrapped into lines of at most 72 characters ending in
    CR LF, blank lines between paragraphs; about size bytes."""
    lines, line, count = [], "", 0
    while count < size:
        words = [rng.choice(WORDS) for _ in range(rng.randint(5, 16))]
        if rng.random() < 0.1:
            words.insert(rng.randrange(len(words)), str(rng.randint(1, 1999)))
        if rng.random() < 0.3:
            words[rng.randrange(len(words) - 1)] += ","
        words[0] = words[0].capitalize()
        words[-1] += rng.choice("....?!")
        for word in words:
            if len(line) + 1 + len(word) > 72:
                lines.append(line)
                count += len(line) + 2
                line = word
            else:
                line = f"{line} {word}" if line else word
        if rng.random() < 0.1:
            lines.append(line)
            lines.append("")
            count += len(line) + 4
            line = ""
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


CODES = {
    "sjis": lambda text: text.encode("shift_jis"),
    "euc": lambda text: text.encode("euc_jp"),
    "jis": lambda text: text.encode("iso2022_jp"),
    "utf16": lambda text: b"\xff\xfe" + text.encode("utf-16-le"),
    "utf8": lambda text: text.encode("utf-8"),
}


def write(path, data):
    # Under a temporary name first, so that an interrupted run leaves no short file that
    # the next run would take as made.
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def big_file(rng, size):
    """About size bytes of Shift_JIS; a 1 MB block of prose repeated for the large size."""
    block = prose(rng, 1024 * 1024 // 2)  # about 1 MB in Shift_JIS
    return block * max(1, size // len(CODES["sjis"](block)))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    # Apart from the Japanese corpora and with its own seed, so that adding it neither
    # changes nor remakes them.
    ascii_file = os.path.join(folder, "45mb.ascii")
    if not os.path.exists(ascii_file):
        write(ascii_file, english(random.Random(20240608), 1_000_000) * 45)
    # Named by the codes, so that a corpus made before a code was added is made again.
    stamp = os.path.join(folder, ".complete-" + "-".join(CODES))
    if os.path.exists(stamp):
        return
    rng = random.Random(20240607)
    for label, size in (("1mb", 1 << 20), ("50mb", 50 << 20)):
        text = big_file(rng, size)
        for code, encode in CODES.items():
            write(os.path.join(folder, f"{label}.{code}"), encode(text))
    texts = [prose(rng, rng.randint(1200, 8600) // 2) for _ in range(10000)]  # 1-8 KB
    for code, encode in CODES.items():
        for i, text in enumerate(texts):
            sub = os.path.join(folder, f"tree.{code}", f"{i // 100:02d}")
            os.makedirs(sub, exist_ok=True)
            write(os.path.join(sub, f"{i % 100:02d}.txt"), encode(text))
    write(stamp, b"")


if __name__ == "__main__":
    main()
