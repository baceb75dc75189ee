#!/usr/bin/env python3
"""Makes the program's embedded resources: images, icon, wait animation, expert placeholder,
shortcut text and agreement texts in their shipping encodings. The bitmaps and the agreements
are stored compressed (see compressed()), as the program expands them. Standard library only; every
output is a pure function of the arguments, so builds are reproducible."""

import math
import re
import struct
import sys
import zlib

BLACK = (0, 0, 0)
PURPLE = (128, 0, 128)
WHITE = (255, 255, 255)
GREY = (160, 160, 160)


# ---------------------------------------------------------------- pictures

def blank(width, height, colour=BLACK):
    return [[colour] * width for _ in range(height)]


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def coverage_of_segment(px, py, x0, y0, x1, y1, half_width):
    """Anti-aliased coverage of pixel centre (px, py) by a thick line segment."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
    cx, cy = x0 + t * dx, y0 + t * dy
    distance = math.hypot(px - cx, py - cy)
    return max(0.0, min(1.0, half_width + 0.5 - distance))


def draw_strokes(pixels, strokes, half_width, colour):
    height, width = len(pixels), len(pixels[0])
    for y in range(height):
        for x in range(width):
            c = max(coverage_of_segment(x + 0.5, y + 0.5, *s, half_width) for s in strokes)
            if c > 0:
                pixels[y][x] = mix(pixels[y][x], colour, c)


def monogram(size_x, size_y):
    """The product's mark: a purple disc with a white M, on black."""
    pixels = blank(size_x, size_y)
    cx, cy = size_x / 2, size_y / 2
    radius = min(size_x, size_y) / 2 - max(1.0, min(size_x, size_y) / 32)
    for y in range(size_y):
        for x in range(size_x):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            c = max(0.0, min(1.0, radius + 0.5 - d))
            if c > 0:
                shade = mix((150, 30, 150), (90, 0, 90), (y + 0.5) / size_y)
                pixels[y][x] = mix(BLACK, shade, c)
    s = radius * 0.5
    left, right, top, bottom = cx - s, cx + s, cy - s * 0.9, cy + s * 0.9
    strokes = [(left, bottom, left, top), (left, top, cx, cy + s * 0.25),
               (cx, cy + s * 0.25, right, top), (right, top, right, bottom)]
    draw_strokes(pixels, strokes, max(0.75, radius * 0.09), WHITE)
    return pixels


# 5 x 7 capitals for the banner.
FONT = {
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    " ": ["00000"] * 7,
}


def banner():
    pixels = blank(88, 16)
    for x in range(88):
        pixels[15][x] = BLACK
        pixels[14][x] = mix(BLACK, PURPLE, 1 - abs(x - 43.5) / 44)
    text = "MT4 EXPERT"
    x0 = (88 - (len(text) * 6 - 1)) // 2
    for i, ch in enumerate(text):
        for row, bits in enumerate(FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    pixels[3 + row][x0 + i * 6 + col] = WHITE
    return pixels


def close_glyph():
    pixels = blank(32, 32)
    draw_strokes(pixels, [(10.5, 10.5, 21.5, 21.5), (21.5, 10.5, 10.5, 21.5)], 0.9, GREY)
    # A crisp, fully opaque cross: anything drawn is grey, the rest stays exactly black.
    return [[GREY if p != BLACK else BLACK for p in row] for row in pixels]


def palette_of(pixels):
    """The picture's colours, black first: every picture here has few enough for a colour
    table, which stores each pixel in one byte or less with nothing of it lost."""
    colours = sorted({p for row in pixels for p in row})
    if len(colours) > 256:
        sys.exit("a picture with %d colours cannot be stored with a colour table" % len(colours))
    return colours


def indexed_rows(pixels, palette, bits):
    """The rows bottom up, each pixel an index into the palette, each row padded to 4 bytes."""
    index = {colour: i for i, colour in enumerate(palette)}
    stride = ((len(pixels[0]) * bits + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        line, accumulator, filled = bytearray(), 0, 0
        for p in row:
            accumulator = (accumulator << bits) | index[p]
            filled += bits
            if filled == 8:
                line.append(accumulator)
                accumulator, filled = 0, 0
        if filled:
            line.append(accumulator << (8 - filled))
        out += line + bytes(stride - len(line))
    return bytes(out)


def colour_table(palette):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in palette)


def bits_for(palette):
    """The smallest depth a DIB section takes that holds the palette: 4 or 8 bits. One bit is
    left out on purpose: a monochrome bitmap takes the colours of the DC it is drawn on."""
    return 4 if len(palette) <= 16 else 8


def bmp(pixels):
    height, width = len(pixels), len(pixels[0])
    palette = palette_of(pixels)
    bits = bits_for(palette)
    rows = indexed_rows(pixels, palette, bits)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(rows), 2835, 2835, len(palette), 0)
    offset = 14 + len(header) + 4 * len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + header + colour_table(palette) + rows


def packed_dib(pixels):
    """The bitmap as a bitmap resource holds it: the file without its 14-byte file header."""
    return bmp(pixels)[14:]


def png_predicted(kind, left, up, corner):
    """What PNG filter `kind` predicts a byte to be from its neighbours to the left, above and
    above left."""
    if kind < 4:
        return (0, left, up, (left + up) // 2)[kind]
    estimate = left + up - corner
    return min((abs(estimate - left), 0, left), (abs(estimate - up), 1, up), (abs(estimate - corner), 2, corner))[2]


def png_filtered(kind, row, above, step):
    """A row filtered by PNG filter `kind`, each byte's neighbour to the left `step` bytes away."""
    out = bytearray((kind,))
    for i, value in enumerate(row):
        left, corner = (row[i - step], above[i - step]) if i >= step else (0, 0)
        out.append((value - png_predicted(kind, left, above[i], corner)) & 0xFF)
    return bytes(out)


def deflated(raw):
    """The smallest zlib stream of `raw` the zlib module makes at level 9: a smaller window or
    another strategy sometimes matches better."""
    streams = []
    for window in range(9, 16):
        for memory in (8, 9):
            for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED, zlib.Z_HUFFMAN_ONLY, zlib.Z_RLE, zlib.Z_FIXED):
                packer = zlib.compressobj(9, zlib.DEFLATED, window, memory, strategy)
                streams.append(packer.compress(raw) + packer.flush())
    return min(streams, key=len)


def png_image_data(rows, step):
    """The IDAT data of `rows`, filtered whichever way deflates smallest: each of the five
    filters over the whole image, or a filter chosen row by row, first the one that keeps the
    stream so far smallest, then each row's changed while that makes the whole smaller."""
    filtered = []
    above = bytes(len(rows[0]))
    for row in rows:
        filtered.append([png_filtered(kind, row, above, step) for kind in range(5)])
        above = row

    def joined(kinds):
        return b"".join(filtered[i][kind] for i, kind in enumerate(kinds))

    def size(data):
        return len(zlib.compress(data, 9))

    kinds = []
    for options in filtered:
        kinds.append(min(range(5), key=lambda kind: size(joined(kinds) + options[kind])))
    best = size(joined(kinds))
    for i in range(len(rows)):
        for kind in range(5):
            trial = kinds[:i] + [kind] + kinds[i + 1:]
            if size(joined(trial)) < best:
                kinds, best = trial, size(joined(trial))
    candidates = [joined([kind] * len(rows)) for kind in range(5)] + [joined(kinds)]
    data = min((deflated(raw) for raw in candidates), key=len)
    if png_unfiltered(zlib.decompress(data), len(rows[0]), step) != rows:
        sys.exit("the PNG image data does not give back its rows")
    return data


def png_unfiltered(raw, stride, step):
    """The rows as a PNG decoder gives them back: every output is checked against it."""
    rows, above = [], bytes(stride)
    for at in range(0, len(raw), stride + 1):
        kind, row = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        for i in range(stride):
            left, corner = (row[i - step], above[i - step]) if i >= step else (0, 0)
            row[i] = (row[i] + png_predicted(kind, left, above[i], corner)) & 0xFF
        rows.append(bytes(row))
        above = row
    return rows


def png(pixels):
    """The picture as a PNG image in 32-bit RGBA, the one form Microsoft documents for an icon's
    PNG image, black transparent: an icon's image as Windows reads it since Vista, in far fewer
    bytes than a colour table, the pixels and a mask."""
    height, width = len(pixels), len(pixels[0])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    rows = [b"".join(bytes(p) + (b"\x00" if p == BLACK else b"\xff") for p in row) for row in pixels]
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", png_image_data(rows, 4)) +
            chunk(b"IEND", b""))


def icon(sizes):
    """Each size as a PNG image whose black corners let what lies beneath show."""
    images = [(size, png(monogram(size, size))) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


# ---------------------------------------------------------------- wait animation

def lzw_encode(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buffer, bit_count = bytearray(), 0, 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    current = (indices[0],)
    for index in indices[1:]:
        extended = current + (index,)
        if extended in table:
            current = extended
            continue
        emit(table[current], width)
        if next_code == 4096:
            emit(clear, width)
            table, next_code, width = reset()
        else:
            table[extended] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        current = (index,)
    emit(table[current], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes((len(chunk),)) + chunk
    return bytes(out + b"\x00")


def wait_animation():
    """83 x 28, 40 frames of 120 ms, looping forever: a light travelling along seven dots."""
    width, height, frames, dots = 83, 28, 40, 7
    levels = 16
    palette = [mix(mix((40, 0, 40), PURPLE, min(1, 2 * t)), (230, 190, 230), max(0, 2 * t - 1))
               for t in (i / (levels - 2) for i in range(levels - 1))]
    palette = [BLACK] + palette  # index 0 is the background
    spacing = 11
    first_x = (width - spacing * (dots - 1)) / 2
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", width, height, 0xF0 | 3, 0, 0)
    for colour in palette:
        gif += bytes(colour)
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    previous = None
    for frame in range(frames):
        head = frame / frames * (dots + 3) - 1.5
        indices = []
        for y in range(height):
            for x in range(width):
                value = 0.0
                for d in range(dots):
                    cx, cy = first_x + d * spacing, height / 2
                    cover = max(0.0, min(1.0, 3.5 - math.hypot(x + 0.5 - cx, y + 0.5 - cy)))
                    glow = math.exp(-((d - head) ** 2) / 1.2)
                    value = max(value, cover * (0.25 + 0.75 * glow))
                indices.append(0 if value <= 0 else 1 + min(levels - 2, int(value * (levels - 2) + 0.5)))
        # Each frame is kept under the next one, so after the first whole frame only the
        # rectangle that changes is stored: the same pictures in well under half the bytes.
        # The dots never move, so a later frame never turns a pixel black: there black (index 0)
        # is transparent and stands for every pixel left as it was, in long runs that pack well.
        left, top, right, bottom = 0, 0, width - 1, height - 1
        stored, flags = indices, 0x04  # keep the frame
        if previous is not None:
            changed = [i for i in range(width * height) if indices[i] != previous[i]]
            if any(indices[i] == 0 for i in changed):
                sys.exit("a frame of the wait animation turns a dot black")
            changed = changed or [0]
            left, right = min(i % width for i in changed), max(i % width for i in changed)
            top, bottom = min(i // width for i in changed), max(i // width for i in changed)
            stored = [0 if indices[i] == previous[i] else indices[i] for i in range(width * height)]
            flags = 0x05  # keep the frame, index 0 transparent
        part = [stored[y * width + x] for y in range(top, bottom + 1) for x in range(left, right + 1)]
        gif += struct.pack("<BBBBHB", 0x21, 0xF9, 4, flags, 12, 0) + b"\x00"  # 120 ms
        gif += struct.pack("<BHHHHB", 0x2C, left, top, right - left + 1, bottom - top + 1, 0)
        gif += bytes((4,)) + sub_blocks(lzw_encode(part, 4))
        previous = indices
    return bytes(gif + b"\x3B")


# ---------------------------------------------------------------- payload and texts

def expert_placeholder(size):
    head = b"Mervane 4 placeholder expert: not a MetaTrader file, replace it when configuring.\r\n"
    state, body = 0x2545F491, bytearray()
    while len(head) + len(body) < size:
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        body.append(state >> 24)
    return (head + bytes(body))[:size]


def checked_address(address):
    if not address or any(c < "!" or c > "~" or c in '"\\' for c in address):
        sys.exit("the user-guide address must be printable ASCII without blanks, quotes or backslashes: %r" % address)
    return address


def internet_shortcut(address):
    lines = ["[{000214A0-0000-0000-C000-000000000046}]", "Prop3=19,2", "[InternetShortcut]",
             "URL=" + address, "IDList="]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def address_header(address):
    return ("// Made by the build from the configured user-guide address.\n#pragma once\n"
            'inline constexpr wchar_t kUserGuideAddress[] = L"%s";\n' % address).encode("ascii")


def agreement(source_path, encoding):
    text = open(source_path, "rb").read().decode("utf-8-sig")
    text = text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n")
    if encoding == "utf-16le":
        return b"\xFF\xFE" + text.encode("utf-16-le")
    try:
        return text.encode(encoding)
    except UnicodeEncodeError as error:
        sys.exit("%s: %s cannot hold %r" % (source_path, encoding, error.object[error.start:error.end]))


# ---------------------------------------------------------------- compression

def lznt1_split(position):
    """How a reference made at `position` in its chunk splits its 16 bits: the distance takes
    as many bits as reaching back to the chunk's start needs (4 to 12), the length the rest."""
    distance_bits = min(12, max(4, (position - 1).bit_length()))
    return distance_bits, 16 - distance_bits


def lznt1_chunk(chunk):
    """One chunk: a flag byte before each eight items, bit i set where item i is a reference
    (distance - 1 above the length - 3) rather than a literal byte. The parse is the cheapest
    one: a literal costs 9 bits with its flag, a reference 17, and from the end of the chunk
    back each position takes a literal or a reference of any length up to its longest match."""
    size = len(chunk)
    longest, distance = [0] * size, [0] * size
    seen = {}
    for position in range(size):
        distance_bits, length_bits = lznt1_split(position)
        limit = min((1 << length_bits) + 2, size - position)
        for start in reversed(seen.get(chunk[position:position + 3], [])):
            if position - start > (1 << distance_bits):
                break
            length = 0
            while length < limit and chunk[start + length] == chunk[position + length]:
                length += 1
            if length > longest[position]:
                longest[position], distance[position] = length, position - start
                if length == limit:
                    break
        seen.setdefault(chunk[position:position + 3], []).append(position)
    cost, step = [0] * (size + 1), [1] * size
    for position in range(size - 1, -1, -1):
        cost[position] = cost[position + 1] + 9
        for length in range(3, longest[position] + 1):
            if cost[position + length] + 17 < cost[position]:
                cost[position], step[position] = cost[position + length] + 17, length

    out, group, flags, count = bytearray(), bytearray(), 0, 0
    position = 0
    while position < size:
        if step[position] >= 3:
            length_bits = lznt1_split(position)[1]
            group += struct.pack("<H", ((distance[position] - 1) << length_bits) | (step[position] - 3))
            flags |= 1 << count
        else:
            group.append(chunk[position])
        position += step[position]
        count += 1
        if count == 8 or position == size:
            out += bytes((flags,)) + group
            group, flags, count = bytearray(), 0, 0
    return bytes(out)


def lznt1_expand(packed):
    """The decoder, as ntdll's RtlDecompressBuffer reads the format: every output is checked
    against it before it is stored."""
    out, at = bytearray(), 0
    while at + 2 <= len(packed):
        header, = struct.unpack_from("<H", packed, at)
        size, at = (header & 0xFFF) + 1, at + 2
        body, at = packed[at:at + size], at + size
        if len(out) % 4096:
            out += bytes(4096 - len(out) % 4096)
        if not header & 0x8000:
            out += body
            continue
        start, i = len(out), 0
        while i < len(body):
            flags, i = body[i], i + 1
            for bit in range(8):
                if i >= len(body):
                    break
                if flags >> bit & 1:
                    code, = struct.unpack_from("<H", body, i)
                    i += 2
                    distance_bits, length_bits = lznt1_split(len(out) - start)
                    distance, length = (code >> length_bits) + 1, (code & ((1 << length_bits) - 1)) + 3
                    for _ in range(length):
                        out.append(out[-distance])
                else:
                    out.append(body[i])
                    i += 1
    return bytes(out)


def compressed(data):
    """The stored form of a resource the program expands with ntdll's RtlDecompressBuffer,
    which Windows 7 and Wine both have for LZNT1: the size expanded (4 bytes), then chunks of
    4,096 bytes, each compressed where that makes it smaller (0xB000 | size - 1 before it) or
    else stored (0x3000 | size - 1)."""
    out = bytearray(struct.pack("<I", len(data)))
    for start in range(0, len(data), 4096):
        chunk = data[start:start + 4096]
        packed = lznt1_chunk(chunk)
        if len(packed) < len(chunk):
            out += struct.pack("<H", 0xB000 | (len(packed) - 1)) + packed
        else:
            out += struct.pack("<H", 0x3000 | (len(chunk) - 1)) + chunk
    if lznt1_expand(bytes(out[4:])) != data:
        sys.exit("the compressed resource does not expand to its data")
    return bytes(out)


def packed_texts(source_path):
    """The program's texts as a C++ header: the ids in the table's order, and for each language
    its texts in that order, UTF-8, each ended by a NUL, stored as compressed() stores them."""
    import json
    def unique(pairs):
        if len({name for name, _ in pairs}) != len(pairs):
            sys.exit("a text id is given twice")
        return dict(pairs)
    table = json.load(open(source_path, encoding="utf-8"), object_pairs_hook=unique)
    if any(len(texts) != 3 for texts in table.values()):
        sys.exit("every text needs its English, German and Russian form")
    if any("\0" in text for texts in table.values() for text in texts):
        sys.exit("a text holds a NUL, which ends a text in the stored table")
    lines = ["// Made by resources/make_resources.py from resources/texts.json.", "#pragma once", "",
             "constexpr TextId kPackedTextIds[] = {" + ", ".join("TextId::" + name for name in table) + "};"]
    names = []
    for column, language in enumerate(("English", "German", "Russian")):
        packed = compressed(b"".join(texts[column].encode("utf-8") + b"\0" for texts in table.values()))
        names.append("kPackedTexts" + language)
        lines.append("constexpr unsigned char %s[] = {%s};" % (names[-1], ",".join(str(b) for b in packed)))
    lines.append("constexpr std::span<const unsigned char> kPackedTexts[] = {%s};" % ", ".join(names))
    return ("\n".join(lines) + "\n").encode("utf-8")


def packed_usage(source_path):
    """The command-line summary as a C++ header: its ASCII text without the file's last line
    break, stored as compressed() stores it."""
    text = open(source_path, encoding="ascii").read()
    text = (text[:-1] if text.endswith("\n") else text).encode("ascii")  # str.removesuffix needs Python 3.9
    return ("// Made by resources/make_resources.py from resources/usage.txt.\n#pragma once\n\n"
            "constexpr unsigned char kPackedUsage[] = {%s};\n" % ",".join(str(b) for b in compressed(text))).encode()


def manifest(source_path):
    """The manifest without its comments and the blanks between its elements, which Windows
    reads the same."""
    text = open(source_path, encoding="utf-8").read()
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    return re.sub(r">\s+<", "><", text).strip().encode("utf-8")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    kind, out = argv[1], argv[2]
    if kind == "logo":
        write(out, compressed(packed_dib(monogram(78, 84))))
    elif kind == "banner":
        write(out, compressed(packed_dib(banner())))
    elif kind == "close":
        write(out, compressed(packed_dib(close_glyph())))
    elif kind == "icon":
        write(out, icon([16, 24, 32, 48]))
    elif kind == "gif":
        write(out, wait_animation())
    elif kind == "expert":
        write(out, expert_placeholder(int(argv[3])))
    elif kind == "link":
        address = checked_address(argv[4])
        write(out, internet_shortcut(address))
        write(argv[3], address_header(address))
    elif kind == "manifest":
        write(out, manifest(argv[3]))
    elif kind == "usage":
        write(out, packed_usage(argv[3]))
    elif kind == "texts":
        write(out, packed_texts(argv[3]))
    elif kind == "agreement":
        write(out, compressed(agreement(argv[3], argv[4])))
    else:
        sys.exit("unknown resource kind " + kind)


if __name__ == "__main__":
    main(sys.argv)
