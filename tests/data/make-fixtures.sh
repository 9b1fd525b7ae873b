#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the small MP3 files the tests play: a three-second rising tone, encoded with lame in several ways.
# Needs ffmpeg (only to synthesise the tone) and lame. Run from anywhere; writes next to this script.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tone() { # tone <rate> <channels> <file.wav>
    ffmpeg -v error -f lavfi -i "aevalsrc=0.4*sin(2*PI*(220+150*t)*t)+0.05*sin(2*PI*3000*t):s=$1:d=3" \
        -ac "$2" -c:a pcm_s16le -y "$3"
}

tone 44100 2 "$work/stereo44.wav"
tone 16000 1 "$work/mono16.wav"

lame --quiet -b 128 "$work/stereo44.wav" cbr_128k_44k_stereo.mp3
lame --quiet -V 5 "$work/stereo44.wav" vbr_lame_tag_44k_stereo.mp3
lame --quiet --vbr-new -V 5 -t "$work/stereo44.wav" vbr_no_tag_44k_stereo.mp3
lame --quiet -b 64 -m m --add-id3v2 --pad-id3v2-size 20000 --tt "Rising tone" --ta "Tuneshear tests" \
    "$work/stereo44.wav" id3v2_20k_cbr_64k_mono.mp3
lame --quiet -b 32 -m m "$work/mono16.wav" mpeg2_16k_mono.mp3
lame --quiet -p -m m -b 96 "$work/stereo44.wav" crc_96k_44k_mono.mp3
lame --quiet --scale 0.01 -V 2 "$work/stereo44.wav" soft_vbr_44k_stereo.mp3
