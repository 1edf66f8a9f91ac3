# Sourced by the benchmarks: installs the peers and tools, builds the release preset, and
# defines measure (median wall time and peak memory of a command) and report. Needs $runs.
as_root=(); [ "$(id -u)" -ne 0 ] && as_root=(sudo)
need=()
for p in imagemagick python3-pil time libjpeg-turbo-progs hyperfine; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
cmake --preset release >/dev/null && cmake --build --preset release >/dev/null
cli=$PWD/build/release/cli/tarnel-cli
work=$PWD/build/bench
mkdir -p "$work"
py=/usr/bin/python3

# measure NAME COMMAND...: median wall seconds (hyperfine, $runs runs after a warm-up) and the
# median peak resident KiB of three runs. With $fresh naming the command's output, it is removed
# before every run: each run then writes a new file, as the in-memory floor does, instead of also
# paying for the system freeing the last run's output when it is replaced.
measure() {
    local name=$1; shift
    local quoted
    quoted=$(printf '%q ' "$@")
    local prepare=(); [ -n "${fresh:-}" ] && prepare=(--prepare "rm -f $(printf '%q' "$fresh")")
    hyperfine -N --warmup 1 --runs "$runs" "${prepare[@]}" --export-json "$work/hf.json" "$quoted" >/dev/null 2>&1
    local t
    t=$("$py" -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][0]['median'])" "$work/hf.json")
    local mems=()
    for _ in 1 2 3; do
        /usr/bin/time -o "$work/time.txt" -f '%M' "$@" >/dev/null 2>&1
        mems+=("$(tail -n 1 "$work/time.txt")")
    done
    local m
    m=$(printf '%s\n' "${mems[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    printf '%s %s %s\n' "$name" "$t" "$m"
}

report() {  # reads "name seconds kib" lines; the first line is the reference
    awk 'NR==1 {ref=$2} {printf "  %-22s %7.3f s  %5.2fx  %8.1f MiB\n", $1, $2, (ref>0 ? $2/ref : 0), $3/1024}'
}

