#!/usr/bin/env bash
# Plants the one-line faults listed in tests/mutants.tsv into a scratch copy of the tree, one at a
# time, rebuilds it incrementally and runs the suite against each; a fault the suite notices is
# killed. The real tree is never written. Columns of the list (tab-separated): file, a fixed
# string that finds exactly one line of it, what that string becomes, why a developer could
# write it, and optionally "equivalent: why" for a change no test can observe (not counted).
#
#   scripts/mutants.sh            every mutant, then the table and the score
#   scripts/mutants.sh --only N,M  mutants N and M alone
#   scripts/mutants.sh --check    only that every pattern finds exactly one line (no build)
#
# The scratch tree and its build stay in $PELMORA_MUTANTS_DIR (default /tmp/pelmora-mutants), so
# a second run only rebuilds what changed; ccache serves the objects of the unchanged sources.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
list=tests/mutants.tsv
timeout_per_test=${MUTANT_TEST_TIMEOUT:-60}
only=""
check_only=0
while [ $# -gt 0 ]; do
  case "$1" in
  --only) only=",${2:?--only needs mutant numbers, separated by commas},"; shift 2 ;;
  --check) check_only=1; shift ;;
  *) echo "usage: $0 [--check | --only N[,N...]]" >&2; exit 2 ;;
  esac
done

declare -a files patterns replacements reasons notes
while IFS=$'\t' read -r file pattern replacement reason note || [ -n "$file" ]; do
  case "$file" in '' | '#'*) continue ;; esac
  files+=("$file") patterns+=("$pattern") replacements+=("$replacement")
  reasons+=("$reason") notes+=("${note:-}")
done <"$list"
count=${#files[@]}

# A pattern that finds no line, or more than one, would plant the fault in the wrong place.
check_patterns() {
  local bad=0 i hits
  for ((i = 0; i < count; i++)); do
    if [ ! -f "${files[i]}" ]; then
      echo "mutant $((i + 1)): no file ${files[i]}" >&2; bad=1; continue
    fi
    hits=$(grep -cF -- "${patterns[i]}" "${files[i]}" || true)
    if [ "$hits" != 1 ]; then
      echo "mutant $((i + 1)): '${patterns[i]}' finds $hits lines in ${files[i]}" >&2; bad=1
    fi
    if [ "${patterns[i]}" = "${replacements[i]}" ]; then
      echo "mutant $((i + 1)): the replacement changes nothing" >&2; bad=1
    fi
  done
  return $bad
}

if ! check_patterns; then exit 1; fi
if [ "$check_only" = 1 ]; then echo "all $count patterns find exactly one line"; exit 0; fi
for n in ${only//,/ }; do
  if ! [[ "$n" =~ ^[0-9]+$ ]] || [ "$n" -lt 1 ] || [ "$n" -gt "$count" ]; then
    echo "no mutant $n (1..$count)" >&2; exit 2
  fi
done

scratch=${PELMORA_MUTANTS_DIR:-/tmp/pelmora-mutants}
tree=$scratch/tree
mkdir -p "$tree"
# Copies only what differs, with a fresh time stamp, so the build sees exactly those as changed.
sync_tree() {
  local f
  git -C "$repo" ls-files -co --exclude-standard -z | while IFS= read -r -d '' f; do
    [ -f "$f" ] || continue
    if ! cmp -s "$f" "$tree/$f"; then mkdir -p "$tree/$(dirname "$f")"; cp "$f" "$tree/$f"; fi
  done
  # A source the real tree no longer has would still be found by the build's globs.
  git -C "$repo" ls-files -co --exclude-standard | sort >"$scratch/real-files"
  (cd "$tree" && find . -path ./build -prune -o -type f -print | sed 's|^[.]/||' | sort) |
    comm -23 - "$scratch/real-files" | while IFS= read -r f; do rm -f "$tree/$f"; done
}
sync_tree

export CCACHE_DIR=${CCACHE_DIR:-/work/.ccache} CCACHE_BASEDIR=$tree CCACHE_NOHASHDIR=1
# Every mutant relinks each test program; lld does that several times faster than the default.
linker=()
if command -v ld.lld >/dev/null; then
  linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
    -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld)
fi
cmake -S "$tree" -B "$tree/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMORA_WERROR=ON \
  -DPELMORA_PYTHON=ON -DPELMORA_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  "${linker[@]}" >/dev/null
# The CPU-share tests measure the machine's load, not a fault. The whole suite runs, the quick
# tests first: most mutants fall there, and the slow ones (tens of seconds each) then never start.
cpu_share='CostsAlmostNoCpu'
slow='^(ansible|python)$|^ExporterPrometheus[.]|^ApplyDrop[.]'
# A failure counts only when the failed tests fail again: on a loaded machine a timing test can
# fail once without any fault, and would then count a mutant as killed that nothing caught.
# When they pass on their own, the whole phase runs again and its result stands.
run_phase() {
  local log=$1
  shift
  local ctest=(ctest --test-dir "$tree/build" -j2 --timeout "$timeout_per_test" --output-on-failure)
  "${ctest[@]}" --stop-on-failure "$@" >>"$log" 2>&1 && return 0
  "${ctest[@]}" --rerun-failed >>"$log" 2>&1 || return 1
  echo "=== the failed tests passed again: the phase runs once more" >>"$log"
  "${ctest[@]}" --stop-on-failure "$@" >>"$log" 2>&1
}
run_suite() {
  : >"$1"
  run_phase "$1" -E "$cpu_share|$slow" && run_phase "$1" -R "$slow" -E "$cpu_share"
}
log=$scratch/logs
mkdir -p "$log"
echo "building the unchanged tree in $tree/build" >&2
if ! cmake --build "$tree/build" -j2 >"$log/baseline.log" 2>&1; then
  echo "the unchanged tree does not build: $log/baseline.log" >&2; exit 1
fi
# A suite that already fails would count every mutant as killed.
echo "running the suite on the unchanged tree" >&2
if ! run_suite "$log/baseline.test.log"; then
  echo "the suite fails on the unchanged tree: $log/baseline.test.log" >&2; exit 1
fi

# Replaces the pattern on its one line; python3 keeps the strings literal (no regex, no escapes).
plant() {
  python3 - "$tree/$1" "$2" "$3" <<'EOF'
import sys
path, old, new = sys.argv[1:]
lines = open(path, encoding="utf-8").read().split("\n")
hits = [i for i, line in enumerate(lines) if old in line]
assert len(hits) == 1, f"{old!r} finds {len(hits)} lines"
lines[hits[0]] = lines[hits[0]].replace(old, new, 1)
open(path, "w", encoding="utf-8").write("\n".join(lines))
EOF
}

# The test that failed last (on its rerun), so that a kill can be checked against the mutant.
first_failure() {
  grep -oE 'Test +#[0-9]+: [^ ]+ [.]*[*]{3}' "$1" | tail -1 | sed -E 's/Test +#[0-9]+: ([^ ]+).*/\1/'
}

# The file is restored from a copy taken before planting, never from the real tree, which may
# have changed since the run began.
run_mutant() {
  local i=$1 n=$(($1 + 1)) file=${files[$1]} verdict
  if [[ "${notes[i]}" == equivalent* ]]; then echo equivalent; return; fi
  cp "$tree/$file" "$scratch/unplanted"
  plant "$file" "${patterns[i]}" "${replacements[i]}"
  if ! cmake --build "$tree/build" -j2 >"$log/$n.build.log" 2>&1; then
    verdict=build-failed
  elif run_suite "$log/$n.test.log"; then
    verdict=survived
  else
    verdict="killed by $(first_failure "$log/$n.test.log")"
  fi
  cp "$scratch/unplanted" "$tree/$file"
  echo "$verdict"
}

module_of() {
  case "$1" in
  src/* | include/pelmora/*) local rest=${1#src/}; rest=${rest#include/pelmora/}; echo "${rest%%/*}" ;;
  cli/*) echo cli ;;
  python/*) echo python ;;
  *) echo other ;;
  esac
}

declare -A module_killed module_counted
killed=0 counted=0
printf '%-4s %-40s %-12s %-56s %s\n' no file result reason 'first failing test'
for ((i = 0; i < count; i++)); do
  if [ -n "$only" ] && [[ "$only" != *",$((i + 1)),"* ]]; then continue; fi
  outcome=$(run_mutant "$i")
  verdict=${outcome%% by *} killer=""
  [ "$verdict" != "$outcome" ] && killer=${outcome#killed by }
  printf '%-4s %-40s %-12s %-56s %s\n' "$((i + 1))" "${files[i]}" "$verdict" "${reasons[i]}" "$killer"
  module=$(module_of "${files[i]}")
  case "$verdict" in
  killed | survived)
    counted=$((counted + 1)) module_counted[$module]=$((${module_counted[$module]:-0} + 1))
    if [ "$verdict" = killed ]; then
      killed=$((killed + 1)) module_killed[$module]=$((${module_killed[$module]:-0} + 1))
    fi
    ;;
  esac
done
# A build rebuilt after the last restore leaves the scratch tree's objects equal to the real tree.
cmake --build "$tree/build" -j2 >"$log/restore.log" 2>&1 || true

echo
for module in $(printf '%s\n' "${!module_counted[@]}" | sort); do
  k=${module_killed[$module]:-0} m=${module_counted[$module]}
  printf '%-12s %d of %d killed: %d %%\n' "$module" "$k" "$m" $((100 * k / m))
done
if [ "$counted" -gt 0 ]; then
  echo "$killed of $counted killed: $((100 * killed / counted)) %"
else
  echo "0 of 0 killed: no mutant was counted"
fi
echo "logs: $log" >&2
