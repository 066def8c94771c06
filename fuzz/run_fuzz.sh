#!/usr/bin/env bash
# Builds a fuzz target with clang (build/fuzz), seeds its corpus and runs
# one fuzzing worker.
#
#   fuzz/run_fuzz.sh [SECONDS]          the MPEG decoder, default 600 seconds
#   fuzz/run_fuzz.sh TARGET [SECONDS]   TARGET: mpeg_decoder, cue_sheet, profile_file, wav_file,
#                                       exchange_area, scsi_records, cddb_answer, musicbrainz_answer,
#                                       cd_text or accuraterip_database
#
# The decoder's corpus is build/fuzz-corpus, seeded from short lame/twolame
# streams and the reference vectors (when ../shared/mpeg-vectors is there);
# its findings go to build/fuzz-findings. Every other target uses
# build/fuzz-corpus-TARGET and build/fuzz-findings-TARGET.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=mpeg_decoder
if [ $# -gt 0 ] && ! [[ $1 =~ ^[0-9]+$ ]]; then
  target=$1
  shift
fi
seconds=${1:-600}
build=$root/build/fuzz
vectors=$root/../shared/mpeg-vectors
if [ "$target" = mpeg_decoder ]; then
  corpus=$root/build/fuzz-corpus
  findings=$root/build/fuzz-findings
else
  corpus=$root/build/fuzz-corpus-$target
  findings=$root/build/fuzz-findings-$target
fi

# The machine is shared and the workers run at the lowest priority: the
# parsers' inputs take milliseconds, so only a minute means a hang.
timeout=60
case $target in
  mpeg_decoder) max_len=20000 timeout=10 ;;
  exchange_area) max_len=26676 ;;  # the whole used part of the area
  scsi_records) max_len=128 ;;
  cue_sheet | profile_file | wav_file) max_len=4096 ;;
  cddb_answer) max_len=16384 ;;  # past the longest line the parser takes
  musicbrainz_answer) max_len=16384 ;;
  cd_text) max_len=8192 ;;
  accuraterip_database) max_len=8192 ;;
  *) echo "unknown target: $target" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANTARO_FUZZ=ON >"$build.configure.log"
cmake --build "$build" --target "${target}_fuzz" -j2 >"$build.$target.build.log"

mkdir -p "$corpus" "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0

seed_mpeg_decoder() {
  sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1.5 sine 440 sine 3000 synth 1.5 pinknoise mix \
    vol 0.5 2>/dev/null || sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1.5 sine 440 vol 0.5
  # The first byte of a fuzz input selects the decoder's options; the seeds
  # vary it so that every output routine starts out covered.
  seed() {  # seed FILE: keep the first 16 KiB behind a control byte
    local control=$((n * 37 % 256))
    { printf "\\x$(printf %02x $control)"; head -c 16384 "$1"; } >"$corpus/seed_$n"
    n=$((n + 1))
  }
  for rate in 8 11.025 12 16 22.05 24 32 44.1 48; do
    for mode in m s j; do
      lame --quiet -m $mode --resample $rate -b 64 "$work/tone.wav" "$work/a.mp3" && seed "$work/a.mp3"
      lame --quiet -m $mode --resample $rate -V 2 "$work/tone.wav" "$work/a.mp3" && seed "$work/a.mp3"
    done
  done
  for args in "-b 320 -m j" "-b 32 -m m" "--abr 100 -m s" "--freeformat -b 400 -m s" \
              "--freeformat -b 24 -m m --resample 16" "-p -b 128 -m j" "-q 0 -V 0 -m j"; do
    lame --quiet $args "$work/tone.wav" "$work/a.mp3" && seed "$work/a.mp3"
  done
  for args in "-b 192 -m j" "-b 384 -m s" "-b 64 -m m" "-b 256 -m d" "-b 48 -m m" \
              "-e -b 192 -m s" "--freeformat -b 450 -m s"; do
    twolame --quiet $args "$work/tone.wav" "$work/a.mp2" 2>/dev/null && seed "$work/a.mp2"
  done
  sox "$work/tone.wav" -r 24000 "$work/tone24.wav"
  for args in "-b 96 -m j" "-b 32 -m m" "-b 160 -m s"; do
    twolame --quiet $args "$work/tone24.wav" "$work/a.mp2" 2>/dev/null && seed "$work/a.mp2"
  done
  if [ -d "$vectors" ]; then
    for f in "$vectors"/*.bit; do seed "$f"; done
  fi
}

put() {  # put: the seed from stdin (also at the end of a pipe, in a subshell)
  cat >"$corpus/seed_$(find "$corpus" -name 'seed_*' | wc -l)"
}

seed_cue_sheet() {
  # Two bytes of BIN size in frames, then the sheet.
  local sheets=(
    'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:10:00\n'\
'    INDEX 01 00:12:00\n'
    'REM GENRE Rock\nPERFORMER "A"\nTITLE "B"\nFILE "a.bin" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n'\
'  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:04:00\n    POSTGAP 00:01:00\n'
    'FILE "t1.bin" BINARY\n  TRACK 01 AUDIO\n    FLAGS DCP\n    ISRC ABCDE1234567\n    INDEX 01 00:00:00\n'\
'FILE "t2.bin" BINARY\n  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:01:00\n    INDEX 02 00:02:00\n'
    'CATALOG 0123456789012\r\nFILE "C:\\discs\\x.bin" BINARY\r\n  TRACK 05 AUDIO\r\n    INDEX 01 00:00:00\r\n'
  )
  for sheet in "${sheets[@]}"; do
    { printf '\x2c\x01'; printf "$sheet"; } | put
    { printf '\x03\x00'; printf "$sheet"; } | put
  done
}

seed_cd_text() {
  # A first-track byte, then a READ TOC format 5 response; the seeds are the
  # virtual drive's packs for a few sheets.
  local cue=$work/text.cue
  "$root/build/host/bin/disc_image_tool" --title "Songs of the Sea" --performer "The Band" "$cue" \
    "silence,frames=10,title=Low Tide" "silence,frames=10,title=A Long Title Across Packs,performer=Guest" \
    >/dev/null 2>&1 || return 0
  python3 - "$cue" <<'PY' | put
import sys, binascii
titles, performers, track = {}, {}, 0
for line in open(sys.argv[1], encoding='latin-1'):
    words = line.split(None, 1)
    if not words: continue
    if words[0] == 'TRACK': track = int(line.split()[1])
    if words[0] in ('TITLE', 'PERFORMER'):
        (titles if words[0] == 'TITLE' else performers)[track] = words[1].strip().strip('"')
packs, seq = b'', 0
for kind, texts in ((0x80, titles), (0x81, performers)):
    data = b''.join(texts.get(t, '').encode('latin-1') + b'\0' for t in range(0, 3))
    for at in range(0, len(data), 12):
        body = bytes([kind, 0, seq, 0]) + data[at:at + 12].ljust(12, b'\0')
        crc = ~binascii.crc_hqx(body, 0) & 0xFFFF
        packs += body + crc.to_bytes(2, 'big'); seq += 1
sys.stdout.buffer.write(b'\x01' + (len(packs) + 2).to_bytes(2, 'big') + b'\0\0' + packs)
PY
}

seed_profile_file() {
  # The file, then 0x02 and section 0x01 key 0x01 value for a Set.
  printf '[TRACKS]\r\n01=One\r\n02=Two\r\n[DISC]\r\nArtist=Band\r\nyear=1999\r\n\x02DISC\x01Album\x01Name' | put
  printf 'junk before\n[GENRE]\n01=17\n02=-5\n03=99999999999\n[genre]\n01=3\n\x02GENRE\x0104\x01\x40long' | put
  printf '[ A ]\n k = v \nno equals\n\n[B]\nx=\x00y\n\x02B\x01x\x01\xff' | put
}

seed_wav_file() {
  sox -n -r 44100 -c 2 -b 16 "$work/cd.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 2 -b 16 --comment "a LIST chunk" "$work/list.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 1 -b 16 "$work/mono.wav" synth 0.02 sine 440
  sox -n -r 48000 -c 2 -b 16 "$work/48k.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 2 -b 8 "$work/8bit.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 2 -b 24 "$work/24bit.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 2 -e floating-point -b 32 "$work/float.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 4 -b 16 "$work/extensible.wav" synth 0.02 sine 440
  sox -n -r 44100 -c 2 -e u-law "$work/ulaw.wav" synth 0.02 sine 440
  for f in "$work"/*.wav; do head -c 4096 "$f" | put; done
}

seed_exchange_area() {
  python3 - "$corpus" <<'PY'
import struct, sys
def area(count, tracks, drive, kind, folder, files):
    a = bytearray(26676)
    struct.pack_into('<I i', a, 0, 0x10042, count)
    for i, t in enumerate(tracks): struct.pack_into('<i', a, 8 + 4 * i, t)
    a[408] = ord(drive)
    struct.pack_into('<i', a, 412, kind)
    a[416:416 + len(folder)] = folder
    for i, f in enumerate(files): a[676 + 260 * i:676 + 260 * i + len(f)] = f
    return bytes(a)
seeds = [area(3, [1, 2, 5], 'D', 0, b'C:\\Music', []),
         area(2, [], 'E', 1, b'', [b'C:\\a.mp3', b'C:\\b c.mp3']),
         area(-4, [7], 'Z', 0, b'x' * 259, [b'y' * 259]),
         area(1000, list(range(100)), '\0', 7, b'', [])]
for i, s in enumerate(seeds):
    open('%s/seed_%d' % (sys.argv[1], i), 'wb').write(s)
PY
}

seed_scsi_records() {
  python3 - "$corpus" <<'PY'
import struct, sys
def sptd(cdb, data_in, length):
    r = bytearray(80)
    struct.pack_into('<H', r, 0, 44)
    r[6] = len(cdb); r[7] = 32; r[8] = data_in
    struct.pack_into('<III', r, 12, length, 5, 0)
    struct.pack_into('<I', r, 24, 48)
    r[28:28 + len(cdb)] = bytes(cdb)
    return bytes(r)
def driver(cdb, length):
    r = bytearray(64)
    struct.pack_into('<H', r, 0, 64)
    r[10] = len(cdb); r[11] = 14
    struct.pack_into('<I', r, 12, 64)
    struct.pack_into('<I', r, 16, length)
    r[48:48 + len(cdb)] = bytes(cdb)
    return bytes(r)
commands = [
    ([0x12, 0, 0, 0, 96, 0], 1, 96),
    ([0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0], 1, 804),
    ([0xBE, 0x04, 0, 0, 0, 10, 0, 0, 2, 0xF0, 0, 0], 1, 4704),
    ([0xD8, 0, 0, 0, 0, 20, 0, 0, 0, 1, 0, 0], 1, 2352),
    ([0xD4, 0, 0, 0, 0, 30, 0, 0, 1, 0], 1, 2352),
    ([0x15, 0x10, 0, 0, 12, 0], 0, 12),
    ([0x1A, 0, 0, 0, 12, 0], 1, 12),
    ([0x28, 0, 0, 0, 0, 45, 0, 0, 1, 0], 1, 2048),
]
n = 0
for cdb, data_in, length in commands:
    open('%s/seed_%d' % (sys.argv[1], n), 'wb').write(bytes([0, 21]) + sptd(cdb, data_in, length)); n += 1
    open('%s/seed_%d' % (sys.argv[1], n), 'wb').write(bytes([1, 21]) + driver(cdb, length)); n += 1
PY
}

seed_cddb_answer() {
  printf '200 rock 0c02a603 AC/DC / Back in Black\r\n' | put
  printf '211 close matches found\r\nrock 0c02a603 A / B\r\nsoundtrack1967 930AFA0C Some \xe2\x80\x99 title\r\n.\r\n' | put
  printf '210 exact\nmisc 5b077b08 X / Y\nnewage 5b077b08 Z\n.\n' | put
  printf '202 No match for disc ID 12345678.\n' | put
  printf '210 OK, category list follows (until terminating `.\x27)\nblues\nclassical\nrock\n.\n' | put
  printf '210 rock 0c02a603 CD database entry follows (until terminating `.\x27)\r\n# xmcd\r\n#\r\n'\
'# Track frame offsets:\r\n#\t150\r\n#\t15000\r\n#\t33000\r\n#\r\n# Disc length: 680 seconds\r\n'\
'# Revision: 7\r\nDISCID=0c02a603,5b077b08\r\nDTITLE=Various / Caf\xc3\xa9 \xe2\x82\xac\r\nDYEAR=1999\r\n'\
'DGENRE=New Age\r\nTTITLE0=One / Two\r\nTTITLE1=Long ti\r\nTTITLE1=tle \\\\ \\n\\t\r\nTTITLE2=Caf\xe9\r\n'\
'EXTD=notes\r\nEXTT0=\r\nEXTT2=x\r\nPLAYORDER=\r\n.\r\n' | put
  printf '401 rock 0c02a603 No such CD entry in database.\n' | put
  printf '3 150 15000 33000 51000' | put
  printf '8 182 15262 29357 47359 70278 83487 100197 119937 143785' | put
  # Submission: answers, then texts cut at 0x1E (artist, title, year, genre,
  # submitter, linked id, then title and artist per track; the last byte
  # picks the track count).
  printf '200 OK, submission has been sent.\r\n' | put
  printf '500 Missing required header information.\r\n' | put
  printf 'Various\x1eCaf\xe9 \\ \t title\x1e1999\x1eNew Age\x1ejane@example.org\x1e5B077B08\x1eOne\x1e'\
'Various\x1eTwo / 2\x1eAC/DC\x1eThree\x1e\x1e\x82' | put
  { printf 'A\x1eB\x1e\x1eRock\x1eCantaroMaker 2\x1e\x1e'; head -c 600 /dev/zero | tr '\0' '\200'; printf '\x1ex\x00'; } | put
}

seed_musicbrainz_answer() {
  printf '{"releases":[{"id":"11111111-2222-3333-4444-555555555555","title":"Caf\xc3\xa9","date":"2003-04-05",'\
'"country":"GB","artist-credit":[{"name":"A","joinphrase":" & "},{"name":"B"}],'\
'"label-info":[{"label":{"name":"L"}}],"media":[{"discs":[{"id":"49HHV7Eb8UKF3aQiNmu1GR8vKTY-"}],'\
'"tracks":[{"title":"One","artist-credit":[{"name":"C"}]},{"title":"Two"},{"recording":{"title":"R"}}]}]}]}' | put
  printf '{"release-count":0,"releases":[]}' | put
  printf '{"error":"Not Found"}' | put
  printf '{"releases":[{"media":[{"tracks":[1,null,{"title":5}]},{"tracks":[]}]},7,"x"]}' | put
}

seed_accuraterip_database() {
  python3 - "$corpus" <<'PY'
import struct, sys
def pressing(tracks, id1, id2, cddb, confidence):
    out = struct.pack('<BIII', tracks, id1, id2, cddb)
    for t in range(tracks):
        out += struct.pack('<BII', confidence, 0x1000 * (t + 1), 0x77)
    return out
seeds = [pressing(3, 0x730, 0x1807, 0x09000c03, 12) + pressing(3, 0x730, 0x1807, 0x09000c03, 3),
         pressing(1, 1, 2, 3, 200), pressing(12, 9, 8, 7, 0) + pressing(2, 9, 8, 7, 5)]
for n, seed in enumerate(seeds):
    open('%s/seed_%d' % (sys.argv[1], n), 'wb').write(seed)
PY
}

if [ ! -e "$corpus/.seeded" ]; then
  "seed_$target"
  touch "$corpus/.seeded"
  echo "seeded $(ls "$corpus" | wc -l) inputs"
fi

cd "$findings"
"$build/bin/${target}_fuzz" -max_len=$max_len -timeout=$timeout -rss_limit_mb=2048 \
  -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | tail -n 25
