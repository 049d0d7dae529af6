#!/usr/bin/env bash
# Synthesises the built-in alarm sounds into assets/Sounds/<name>.mp3 with sox,
# then encodes them with lame. No recorded samples: every sound is made here, so
# the program ships nothing whose rights are unclear. Run from anywhere; it
# rewrites all 13 files (they share one level) and then checks what it wrote.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
out=$root/assets/Sounds

if ! command -v sox >/dev/null || ! command -v lame >/dev/null; then
  "$root/scripts/deps.sh" sox lame
fi

names=(Alarm1 Alarm2 Alarm3 Alarm4 Bells1 Bells2 Birds Christmas Cuckoo Electricity Flute Phone SleighBells)

SR=44100
# One loudness for all, so switching sounds never surprises. Lowered below if
# some sound's peaks would not fit under the ceiling.
RMS_TARGET=-20
# Decoded MP3 peaks overshoot the WAV a little, so aim under the -1 dBFS ceiling.
PEAK_AIM=-1.6
PEAK_MAX=-1
EDGE_MAX=-60 # dBFS allowed in the first and last 5 ms: anything louder clicks

W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT

# sox, failing on any clipping: a clipped intermediate means a gain is wrong.
sx() {
  if ! sox -R "$@" 2>"$W/err"; then cat "$W/err" >&2; exit 1; fi
  if grep -q clipped "$W/err"; then
    echo "clipping in: sox $*" >&2
    cat "$W/err" >&2
    exit 1
  fi
}

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

# Note name (C4, F#5, Bb3) to Hz, equal temperament with A4 = 440.
hz() {
  awk -v n="$1" 'BEGIN {
    s["C"]=-9; s["D"]=-7; s["E"]=-5; s["F"]=-4; s["G"]=-2; s["A"]=0; s["B"]=2
    k = s[substr(n, 1, 1)]; r = substr(n, 2)
    if (substr(r, 1, 1) == "#") { k++; r = substr(r, 2) }
    else if (substr(r, 1, 1) == "b") { k--; r = substr(r, 2) }
    printf "%.4f", 440 * 2 ^ ((k + (r - 4) * 12) / 12)
  }'
}

# Generate mono 32-bit audio from nothing: gen OUT LEN synth-args/effects...
gen() {
  local o=$1 len=$2
  shift 2
  sx -r $SR -c 1 -n -b 32 "$o" synth "$len" "$@"
}

# Sine harmonics summed in one call, band-limited where sox's own square and
# saw waves alias: additive OUT LEN F|F1/F2 "harmonic:weight"... [-- effects...]
# F1/F2 sweeps exponentially.
additive() {
  local o=$1 len=$2 f=$3 k=0 h w mix=""
  shift 3
  local tones=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    IFS=: read -r h w <<<"$1"
    shift
    k=$((k + 1))
    if [[ $f == */* ]]; then
      tones+=(sine "$(calc "${f%/*} * $h")/$(calc "${f#*/} * $h")")
    else
      tones+=(sine "$(calc "$f * $h")")
    fi
    mix+="${mix:+,}${k}v$w"
  done
  [ $# -gt 0 ] && shift
  sx -r $SR -c $k -n -b 32 "$o" synth "$len" "${tones[@]}" remix "$mix" "$@"
}

# A tone whose pitch wobbles (vibrato): vibrato OUT F0 LEN DEPTH RATE "harmonic:weight"...
# sox has no clean pitch modulator, so each harmonic is built from 25 ms linear
# sweeps that follow the wobble, each starting at the phase where the last one
# ended; one sox call makes all harmonics of a segment, as channels mixed by remix.
vibrato() {
  local o=$1 f0=$2 len=$3 depth=$4 rate=$5 i=0 line
  shift 5
  local segs=()
  while read -r line; do
    i=$((i + 1))
    # shellcheck disable=SC2086 # a line is a list of synth and remix arguments
    sx -r $SR -c $# -n -b 32 "$o.s$i.wav" $line
    segs+=("$o.s$i.wav")
  done < <(awk -v f0="$f0" -v len="$len" -v depth="$depth" -v rate="$rate" -v sr=$SR -v hs="$*" 'BEGIN {
    n = split(hs, h, " "); N = 1102; pi = 3.14159265358979
    for (k = 1; k <= n; k++) { split(h[k], kw, ":"); mul[k] = kw[1]; w[k] = kw[2]; ph[k] = 0 }
    segs = int(len * sr / N) + 1
    for (s = 0; s < segs; s++) {
      t0 = s * N / sr; t1 = (s + 1) * N / sr
      fa = f0 * (1 + depth * sin(2 * pi * rate * t0)); fb = f0 * (1 + depth * sin(2 * pi * rate * t1))
      line = N "s"; mix = ""
      for (k = 1; k <= n; k++) {
        line = line sprintf(" sine %.4f:%.4f 0 %.6f", fa * mul[k], fb * mul[k], ph[k] * 100)
        c = ph[k] + N / sr * (fa + fb) * mul[k] / 2; ph[k] = c - int(c)
        mix = mix (k > 1 ? "," : "") k "v" w[k]
      }
      print "synth " line " remix " mix
    }
  }')
  sx "${segs[@]}" "$o"
  rm -f "${segs[@]}"
}

# Sum files at unity gain (sox would otherwise scale each by 1/n).
mixto() {
  local o=$1
  shift
  if [ $# -eq 1 ]; then
    cp "$1" "$o"
    return
  fi
  local a=() f
  for f; do a+=(-v 1 "$f"); done
  sx -m "${a[@]}" -b 32 "$o"
}

# Place clips on a timeline: placeto OUT "time|gain dB|file" ...
placeto() {
  local o=$1 i=0 t g f
  shift
  local a=()
  for e; do
    IFS='|' read -r t g f <<<"$e"
    i=$((i + 1))
    sx "$f" "$o.p$i.wav" gain "$g" pad "$t" 0
    a+=("$o.p$i.wav")
  done
  mixto "$o" "${a[@]}"
  rm -f "${a[@]}"
}

# A sine partial decaying exponentially (fade type l falls 100 dB over its
# length, so that length is T60 / 0.6).
partial() {
  local o=$1 f=$2 g=$3 t60=$4 d
  d=$(calc "$t60 / 0.6")
  gen "$o" "$d" sine "$f" fade h 0.002 fade l 0 "$d" "$d" gain "$g"
}

# A struck tone: strike OUT F0 GAIN CLICK_GAIN "ratio:dB:T60"...
# The noise tick gives the hammer's attack, which partials alone lack.
strike() {
  local o=$1 f0=$2 g=$3 click=$4 i=0 p r a t
  shift 4
  local partials=()
  for p; do
    IFS=: read -r r a t <<<"$p"
    i=$((i + 1))
    partial "$o.$i.wav" "$(calc "$f0 * $r")" "$(calc "$a + $g")" "$t"
    partials+=("$o.$i.wav")
  done
  gen "$o.c.wav" 0.012 whitenoise gain "$(calc "$click + $g")" highpass 2500 fade l 0 0.012 0.012
  partials+=("$o.c.wav")
  mixto "$o" "${partials[@]}"
  rm -f "${partials[@]}"
}

# ---- the sounds: each writes a raw mono WAV to $1; the level is set later, for all at once

# The classic double beep, with thinned harmonics and soft edges so it nags
# without rasping.
make_Alarm1() {
  local d=$W/a1 ev=() k
  mkdir -p "$d"
  additive "$d/beep.wav" 0.09 "$(hz E6)" 1:0.25 3:0.05 5:0.02 7:0.008 -- fade h 0.006 0.09 0.012
  for k in 0 1 2 3 4 5 6 7; do
    ev+=("$(calc "0.05 + $k * 0.6")|0|$d/beep.wav" "$(calc "0.2 + $k * 0.6")|0|$d/beep.wav")
  done
  placeto "$1" "${ev[@]}"
}

# Rising sweeps that step up a fifth every pair: urgency grows without getting louder.
make_Alarm2() {
  local d=$W/a2 ev=() k lo
  mkdir -p "$d"
  for k in 0 1 2 3 4 5; do
    lo=$(calc "440 * 2 ^ (int($k / 2) * 7 / 12)")
    gen "$d/s$k.wav" 0.5 triangle "$lo/$(calc "$lo * 2")" gain -14 lowpass 3500 fade q 0.04 0.5 0.1
    ev+=("$(calc "0.05 + $k * 0.68")|0|$d/s$k.wav")
  done
  placeto "$1" "${ev[@]}"
}

# Marimba arpeggios (C Am F G) for a gentle wake; bars are tuned 1:4:10 like real ones.
make_Alarm3() {
  local d=$W/a3 ev=() i=0 n
  mkdir -p "$d"
  local notes=(C4 E4 G4 C5 E5 G5 E5 C5 A3 C4 E4 A4 C5 E5 C5 A4
    F3 A3 C4 F4 A4 C5 A4 F4 G3 B3 D4 G4 B4 D5 G5 B5)
  for n in "${notes[@]}"; do
    [ -f "$d/$n.wav" ] || strike "$d/$n.wav" "$(hz "$n")" -14 -30 1:0:0.9 3.93:-11:0.15 9.2:-26:0.05
    ev+=("$(calc "0.03 + $i * 0.14")|0|$d/$n.wav")
    i=$((i + 1))
  done
  placeto "$d/dry.wav" "${ev[@]}"
  sx "$d/dry.wav" -b 32 "$1" pad 0 0.6 reverb 25 50 60
}

# A fast digital trill in bursts; the gaps keep it from becoming a drone.
make_Alarm4() {
  local d=$W/a4 ev=() k f
  mkdir -p "$d"
  for k in hi lo; do
    f=$(hz G6)
    [ $k = lo ] && f=$(hz E6)
    additive "$d/$k.wav" 0.03 "$f" 1:0.25 3:0.04 -- fade h 0.004 0.03 0.006 pad 0 0.0025
  done
  sx "$d/hi.wav" "$d/lo.wav" "$d/pair.wav"
  sx "$d/pair.wav" "$d/burst.wav" repeat 7
  for k in 0 1 2 3 4 5; do ev+=("$(calc "0.04 + $k * 0.72")|0|$d/burst.wav"); done
  placeto "$1" "${ev[@]}"
}

# A large bell struck three times. Higher partials die sooner and a detuned twin
# of the fundamental beats slowly, as in a cast bell.
make_Bells1() {
  local d=$W/b1
  mkdir -p "$d"
  strike "$d/bell.wav" "$(hz G4)" -16 -28 1:0:4.5 1.004:-6:4.0 2.0:-3:3.2 2.4:-6:2.4 3.0:-9:1.7 4.2:-13:1.1 5.4:-17:0.7
  placeto "$1" "0.02|0|$d/bell.wav" "1.5|-1.5|$d/bell.wav" "3.0|0|$d/bell.wav"
}

# A small carillon on three pitches; the hum/prime/tierce/quint/nominal ratios
# are what make a tuned bell sound like one, and unlike Bells1.
make_Bells2() {
  local d=$W/b2 ev=() i=0 n
  mkdir -p "$d"
  local seq=(C5 A4 F4 - A4 C5 F4)
  for n in "${seq[@]}"; do
    if [ "$n" != - ]; then
      [ -f "$d/$n.wav" ] || strike "$d/$n.wav" "$(hz "$n")" -18 -32 \
        0.5:-8:4.0 1:-3:2.6 1.2:-5:2.2 1.5:-12:1.6 2:0:2.0 2.5:-11:1.0 3:-14:0.8 4:-18:0.5
      ev+=("$(calc "0.02 + $i * 0.55")|0|$d/$n.wav")
    fi
    i=$((i + 1))
  done
  placeto "$1" "${ev[@]}"
}

# Two birds, one near and one far (quieter, sparser), so it sounds like a garden
# rather than a loop. Fixed seeds keep the output repeatable.
make_Birds() {
  local d=$W/bd ev=() i=0 t g f1 f2 len
  mkdir -p "$d"
  while read -r t g f1 f2 len; do
    i=$((i + 1))
    gen "$d/c$i.wav" "$len" sine "$f1/$f2" fade h "$(calc "$len * 0.25")" "$len" "$(calc "$len * 0.5")" gain -10
    ev+=("$t|$g|$d/c$i.wav")
  done < <(awk 'BEGIN {
    srand(11)
    # tweet series: quick down-chirps
    split("0.05 2.70", st, " ")
    for (p = 1; p <= 2; p++) { b = 4600 + rand() * 600; n = 5 + int(rand() * 3)
      for (k = 0; k < n; k++) printf "%.3f %.1f %.0f %.0f %.3f\n", st[p] + k * 0.085, -k * 0.6, b * (1 + rand() * 0.05), b * 0.62, 0.05 }
    # whistled slur up then down
    split("0.85 4.00", st, " ")
    for (p = 1; p <= 2; p++) { b = 2300 + rand() * 300
      printf "%.3f 0 %.0f %.0f 0.170\n", st[p], b, b * 1.6
      printf "%.3f -1 %.0f %.0f 0.120\n", st[p] + 0.2, b * 1.6, b * 1.2 }
    # trill
    split("1.55 4.55", st, " ")
    for (p = 1; p <= 2; p++) { b = 3800 + rand() * 400
      for (k = 0; k < 13; k++) printf "%.3f %.1f %.0f %.0f 0.028\n", st[p] + k * 0.042, -3 + (k < 4 ? k - 4 : 0), (k % 2 ? b * 1.12 : b), (k % 2 ? b : b * 0.9) }
    # distant bird: sparse chips
    for (k = 0; k < 9; k++) { t = 0.4 + k * 0.52 + rand() * 0.15; b = 3000 + rand() * 900
      printf "%.3f -9 %.0f %.0f 0.040\n", t, b, b * 1.7 }
  }')
  placeto "$d/dry.wav" "${ev[@]}"
  sx "$d/dry.wav" -b 32 "$1" pad 0 0.5 reverb 20 60 80 10
}

# Sleigh-bell shakes: jingles DIR SEED "time|gain"... writes DIR/out.wav.
# A shake is several bells hitting within a few ms, not one hit; that blur is the jingle.
jingles() {
  local d=$1 seed=$2 v f r2 r3 r4 ev=() t g
  shift 2
  mkdir -p "$d"
  while read -r v f r2 r3 r4; do
    strike "$d/j$v.wav" "$f" -20 -8 1:0:0.16 "$r2":-3:0.12 "$r3":-6:0.08 "$r4":-9:0.05
  done < <(awk -v s="$seed" 'BEGIN { srand(s)
    for (v = 1; v <= 6; v++) printf "%d %.0f %.3f %.3f %.3f\n", v, 2600 + rand() * 2200, 1.45 + rand() * 0.15, 2.2 + rand() * 0.2, 3.0 + rand() * 0.3 }')
  local shakes
  shakes=$(printf '%s\n' "$@")
  while read -r t g v; do
    ev+=("$t|$g|$d/j$v.wav")
  done < <(awk -v s="$seed" -F'|' 'BEGIN { srand(s + 1) } {
    n = 5 + int(rand() * 4); t = $1
    for (k = 0; k < n; k++) { printf "%.4f %.2f %d\n", t, $2 - k * 1.2 - rand() * 3, 1 + int(rand() * 6); t += 0.005 + rand() * 0.014 }
  }' <<<"$shakes")
  placeto "$d/out.wav" "${ev[@]}"
}

# "Jingle Bells" chorus opening (public domain): instantly recognised, and a
# celesta is its classic timbre. Soft chords and jingles fill it out.
make_Christmas() {
  local d=$W/xm ev=() q=0.3 b n g
  mkdir -p "$d"
  local cel=(1:0:1.6 2:-14:0.6 2.76:-24:0.25 4:-20:0.15)
  local melody="0:E5 1:E5 2:E5 4:E5 5:E5 6:E5 8:E5 9:G5 10:C5 11.5:D5 12:E5"
  local chords="0:C4 0:E4 0:G4 2:E4 2:G4 4:C4 4:E4 4:G4 6:E4 6:G4 8:C4 8:E4 8:G4 11.5:B3 11.5:D4 11.5:G4 12:C4 12:E4 12:G4"
  for e in $melody $chords; do
    n=${e#*:}
    [ -f "$d/$n.wav" ] || strike "$d/$n.wav" "$(hz "$n")" -14 -34 "${cel[@]}"
  done
  for e in $melody; do ev+=("$(calc "0.02 + ${e%%:*} * $q")|0|$d/${e#*:}.wav"); done
  for e in $chords; do ev+=("$(calc "0.02 + ${e%%:*} * $q")|-13|$d/${e#*:}.wav"); done
  local sh=()
  for b in 0 1 2 3 4 5 6 7 8 9 10 11 12; do
    g=-4
    [ $((b % 2)) -eq 0 ] && g=0
    sh+=("$(calc "0.02 + $b * $q")|$g")
  done
  jingles "$d/jg" 5 "${sh[@]}"
  ev+=("0|-16|$d/jg/out.wav")
  placeto "$d/dry.wav" "${ev[@]}"
  sx "$d/dry.wav" -b 32 "$1" pad 0 1.5 reverb 30 50 70
}

# A cuckoo clock: two breathy pipes a minor third apart, as the bird calls.
make_Cuckoo() {
  local d=$W/ck ev=() k n f len
  mkdir -p "$d"
  for n in F5:0.22 D5:0.42; do
    f=$(hz "${n%%:*}")
    len=${n#*:}
    additive "$d/$n.t.wav" "$len" "$f" 1:0.2 2:0.032 3:0.012
    gen "$d/$n.n.wav" "$len" pinknoise gain -24 bandpass "$f" 3q bandpass 2000 0.7q
    mixto "$d/$n.m.wav" "$d/$n.t.wav" "$d/$n.n.wav"
    sx "$d/$n.m.wav" "$d/${n%%:*}.wav" fade q 0.03 "$len" 0.12
  done
  for k in 0 1 2 3; do
    ev+=("$(calc "0.03 + $k * 1.0")|0|$d/F5.wav" "$(calc "0.31 + $k * 1.0")|0|$d/D5.wav")
  done
  placeto "$d/dry.wav" "${ev[@]}"
  sx "$d/dry.wav" -b 32 "$1" pad 0 0.5 reverb 20 50 50
}

# Hum, crackle and zaps; lowpassed and faded in so it wakes without startling.
make_Electricity() {
  local d=$W/el ev=() i=0 t g len
  mkdir -p "$d"
  gen "$d/s1.wav" 4.6 sawtooth 100 gain -18
  gen "$d/s2.wav" 4.6 sawtooth 100.7 gain -20
  gen "$d/s3.wav" 4.6 sine 50 gain -20
  mixto "$d/saw.wav" "$d/s1.wav" "$d/s2.wav" "$d/s3.wav"
  sx "$d/saw.wav" "$d/hum.wav" lowpass 2000 lowpass 3000 highpass 60 equalizer 1200 1q 4 tremolo 7 45
  ev+=("0|0|$d/hum.wav")
  for t in 0.7 2.1 3.3; do
    i=$((i + 1))
    additive "$d/z$i.wav" 0.3 "$(calc "2400 + $i * 300")/150" 1:0.2 2:0.1 3:0.07 4:0.05 5:0.04 -- lowpass 3500 fade h 0.004 0.3 0.26
    ev+=("$t|0|$d/z$i.wav")
  done
  i=0
  while read -r t g len; do
    i=$((i + 1))
    gen "$d/k$i.wav" "$len" whitenoise gain -12 bandpass 3000 0.8q fade l 0 "$len" "$len"
    ev+=("$t|$g|$d/k$i.wav")
  done < <(awk 'BEGIN { srand(3)
    split("0.7 2.1 3.3", z, " ")
    for (k = 0; k < 26; k++) printf "%.4f %.1f %.4f\n", 0.2 + rand() * 4.1, -8 - rand() * 8, 0.002 + rand() * 0.004
    for (p = 1; p <= 3; p++) for (k = 0; k < 10; k++) printf "%.4f %.1f %.4f\n", z[p] + rand() * 0.2, -2 - rand() * 8, 0.002 + rand() * 0.006
  }')
  placeto "$1" "${ev[@]}"
}

# Flute: the opening of Grieg's "Morning Mood" (public domain), a tune made for
# waking. Vibrato, breath noise and a chiff per note keep it from sounding like
# an organ.
make_Flute() {
  local d=$W/fl ev=() i=0 t=0.03 n len f e
  mkdir -p "$d"
  local notes=(B5:2 G#5:1 F#5:2 E5:1 F#5:2 G#5:1 B5:2 G#5:1 F#5:2 E5:1 F#5:2 G#5:1
    B5:2 G#5:1 B5:2 C#6:1 G#5:2 C#6:1 B5:2 G#5:1 F#5:2 E5:6)
  for e in "${notes[@]}"; do
    i=$((i + 1))
    n=${e%%:*}
    len=$(calc "${e#*:} * 0.165 + 0.06")
    f=$(hz "$n")
    vibrato "$d/n$i.t.wav" "$f" "$len" 0.008 5.2 1:0.2 2:0.045 3:0.016
    gen "$d/n$i.b.wav" "$len" pinknoise gain -34 highpass 1200 lowpass 6000
    gen "$d/n$i.c.wav" 0.04 whitenoise gain -24 bandpass "$(calc "$f * 2")" 2q fade l 0 0.04 0.04
    mixto "$d/n$i.m.wav" "$d/n$i.t.wav" "$d/n$i.b.wav" "$d/n$i.c.wav"
    sx "$d/n$i.m.wav" "$d/n$i.wav" fade q 0.05 "$len" 0.09
    ev+=("$t|0|$d/n$i.wav")
    t=$(calc "$t + ${e#*:} * 0.165")
  done
  placeto "$d/dry.wav" "${ev[@]}"
  sx "$d/dry.wav" -b 32 "$1" pad 0 0.8 tremolo 5.2 12 reverb 35 50 80
}

# An old bell telephone: a clapper at 20 Hz hits two bells in turn; that
# alternation is what makes the ring recognisable.
make_Phone() {
  local d=$W/ph ev=() t g b
  mkdir -p "$d"
  strike "$d/A.wav" 1040 -26 -14 1:0:0.9 2.32:-7:0.5 4.05:-13:0.3 5.9:-19:0.2
  strike "$d/B.wav" 1230 -26 -14 1:0:0.9 2.28:-7:0.5 3.98:-13:0.3 6.1:-19:0.2
  while read -r t g b; do ev+=("$t|$g|$d/$b.wav"); done < <(awk 'BEGIN { srand(5)
    for (k = 0; k < 72; k++) printf "%.4f %.2f %s\n", 0.02 + k * 0.025, -rand() * 2 - (k < 3 ? (3 - k) * 2 : 0), (k % 2 ? "B" : "A") }')
  placeto "$d/ring.wav" "${ev[@]}"
  placeto "$1" "0|0|$d/ring.wav" "2.9|0|$d/ring.wav"
}

# Sleigh bells in a trotting rhythm; accents give it a pulse rather than a hiss.
make_SleighBells() {
  local d=$W/sb sh=() k g
  for k in $(seq 0 23); do
    g=-5
    [ $((k % 4)) -eq 0 ] && g=0
    [ $((k % 4)) -eq 2 ] && g=-2
    sh+=("$(calc "0.03 + $k * 0.19")|$g")
  done
  jingles "$d" 9 "${sh[@]}"
  # ease the sharpest hits, or their peaks would set every sound's level lower
  sx "$d/out.wav" -b 32 "$1" gain -n -1 compand 0.0005,0.03 6:-70,-70,-15,-15,0,-8 0 -70 0.001
}

# ---- level, ends, encoding

# Final length and fade-out of each sound, seconds.
declare -A LEN=(
  [Alarm1]=4.9 [Alarm2]=4.2 [Alarm3]=5.4 [Alarm4]=4.3 [Bells1]=7.0 [Bells2]=5.8
  [Birds]=5.6 [Christmas]=6.0 [Cuckoo]=4.5 [Electricity]=4.6 [Flute]=6.6 [Phone]=5.4 [SleighBells]=5.0
)
declare -A FADEOUT=(
  [Alarm1]=0.05 [Alarm2]=0.05 [Alarm3]=0.6 [Alarm4]=0.05 [Bells1]=1.5 [Bells2]=1.2
  [Birds]=0.4 [Christmas]=1.0 [Cuckoo]=0.4 [Electricity]=0.7 [Flute]=0.6 [Phone]=0.4 [SleighBells]=0.3
)
declare -A FADEIN=([Electricity]=0.3)

# level FILE "Pk lev dB"|"RMS lev dB" [effects...]
level() { sox "$1" -n "${@:3}" stats 2>&1 | awk -v k="$2" 'index($0, k) == 1 { print $NF }'; }

mkdir -p "$out" "$W/shaped"

for name in "${names[@]}"; do
  echo "synthesising $name"
  "make_$name" "$W/$name.raw.wav"
  len=${LEN[$name]}
  fi=${FADEIN[$name]:-0.008}
  # a few ms of true silence each side so the ends cannot click, even after MP3 smearing
  sx "$W/$name.raw.wav" -b 32 "$W/shaped/$name.wav" highpass 20 trim 0 "$len" fade h "$fi" "$len" "${FADEOUT[$name]}" pad 0.012 0.02
done

# The common RMS: as high as the target, low enough that every peak fits.
target=$RMS_TARGET
for name in "${names[@]}"; do
  f=$W/shaped/$name.wav
  crest=$(calc "$(level "$f" 'Pk lev dB') - ($(level "$f" 'RMS lev dB'))")
  target=$(calc "($PEAK_AIM - $crest) < $target ? $PEAK_AIM - $crest : $target")
done
echo "common RMS level: $target dBFS"

for name in "${names[@]}"; do
  f=$W/shaped/$name.wav
  g=$(calc "$target - ($(level "$f" 'RMS lev dB'))")
  sx "$f" -b 16 "$W/$name.16.wav" gain "$g"
  # mono: one source, no room image worth the bits; Windows plays it on both speakers
  lame --quiet --noreplaygain -V 4 -m m "$W/$name.16.wav" "$out/$name.mp3"
done

# ---- check what actually ships: decode each MP3 and measure it

printf '%-12s %6s %7s %7s %7s %7s %6s\n' name len_s peak_dB rms_dB head_dB tail_dB KB
bad=0
for name in "${names[@]}"; do
  m=$out/$name.mp3
  if [ ! -f "$m" ]; then
    echo "$name: missing $m" >&2
    bad=1
    continue
  fi
  w=$W/$name.dec.wav
  lame --quiet --decode "$m" "$w"
  len=$(soxi -D "$w")
  pk=$(level "$w" 'Pk lev dB')
  rms=$(level "$w" 'RMS lev dB')
  head=$(level "$w" 'Pk lev dB' trim 0 0.005)
  tail=$(level "$w" 'Pk lev dB' trim -0.005)
  kb=$(($(wc -c <"$m") / 1024))
  printf '%-12s %6.2f %7s %7s %7s %7s %6s\n' "$name" "$len" "$pk" "$rms" "$head" "$tail" "$kb"
  # each row: what must hold, and why it matters
  while IFS=';' read -r cond why; do
    if ! awk -v len="$len" -v pk="$pk" -v rms="$rms" -v head="$head" -v tail="$tail" -v t="$target" \
      "BEGIN { exit !($cond) }"; then
      echo "  FAIL $name: $why" >&2
      bad=1
    fi
  done <<EOF
len >= 3 && len <= 8;length must be 3 to 8 s
pk <= $PEAK_MAX;peak over $PEAK_MAX dBFS
rms - t <= 0.5 && t - rms <= 0.5;loudness differs from the common $target dBFS RMS
head == "-inf" || head <= $EDGE_MAX;start is not silent (click)
tail == "-inf" || tail <= $EDGE_MAX;end is not silent (click)
EOF
done
exit $bad
