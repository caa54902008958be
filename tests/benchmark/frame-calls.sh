#!/usr/bin/env bash
# Traces three frames of vnxtest3D with apitrace and compares the GL and EGL
# calls of the second frame (SetUniform, Render, then glFinish off screen or
# Refresh in a window) with a checked-in list, call by call, arguments
# included. Addresses (pointers, EGL handles) are replaced by ADDR; GL object
# names are compared as they are, since a run makes them in a fixed order.
#
#   frame-calls.sh VNXTEST3D EXPECTED [--offscreen] [--write]
#
# Runs in the current directory, where vnxtest3D finds its shader file.
# --write replaces EXPECTED with what this run issued.
set -euo pipefail
program=$1
expected=$2
shift 2
mode=() write=0
for a in "$@"; do
  case "$a" in
    --offscreen) mode=(--offscreen) ;;
    --write) write=1 ;;
    *)
      echo "unknown argument $a" >&2
      exit 2
      ;;
  esac
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! apitrace trace --api egl -o "$work/frames.trace" "$program" "${mode[@]}" --frames 3 --report-every 3 \
    >"$work/run.log" 2>&1; then
  cat "$work/run.log" >&2
  exit 1
fi
apitrace dump --call-nos=no --color=never "$work/frames.trace" >"$work/frames.dump"

# A frame begins with the program made current for SetUniform("mTime"), the
# call before the uniform's look-up; the second frame runs to the third's.
awk '
  { line[NR] = $0 }
  /glGetUniformLocation\(.*name = "mTime"\)/ { start[++frames] = NR - 1 }
  END {
    if (frames < 3) { print "fewer than three frames traced" > "/dev/stderr"; exit 1 }
    for (i = start[2]; i < start[3]; ++i) {
      if (line[i] == "") continue
      s = line[i]
      gsub(/0x[0-9a-f]+/, "ADDR", s)
      print s
    }
  }' "$work/frames.dump" >"$work/frame.txt"

if [ "$write" -eq 1 ]; then
  cp "$work/frame.txt" "$expected"
  echo "wrote $(wc -l <"$expected") calls to $expected"
  exit 0
fi
if ! diff -u "$expected" "$work/frame.txt"; then
  echo "the frame's calls differ from $expected (- expected, + this run)" >&2
  exit 1
fi
echo "same $(wc -l <"$expected") calls as $expected"
