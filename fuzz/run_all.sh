#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds each, one after the other.
#
#   fuzz/run_all.sh SECONDS BUILD_DIR
#
# BUILD_DIR is a build configured with -DTAMO_FUZZ=ON (the fuzz preset: build/fuzz). Each target
# starts from its committed corpus, copied into a scratch directory: the inputs it finds are
# thrown away with it, so the committed corpus changes only when someone adds a file on purpose.
# A crashing input is kept in BUILD_DIR/fuzz-findings/<target>/ and the script exits with 1.
set -u

if [[ $# -ne 2 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS BUILD_DIR" >&2
    exit 2
fi
seconds=$1
build_dir=$(cd "$2" && pwd) || exit 2
source_dir=$(cd "$(dirname "$0")" && pwd)
targets=(fuzz_parse_line fuzz_program_reader fuzz_read_config fuzz_check_program fuzz_typed_line fuzz_machine_settings fuzz_start_refusals)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tamo-fuzz.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT

failed=()
for target in "${targets[@]}"; do
    binary="$build_dir/fuzz/$target"
    if [[ ! -x $binary ]]; then
        echo "$target: $binary is missing; build $build_dir first" >&2
        failed+=("$target")
        continue
    fi
    corpus="$scratch/$target"
    findings="$build_dir/fuzz-findings/$target"
    mkdir -p "$corpus" "$findings"
    cp "$source_dir/corpus/$target"/* "$corpus/" 2>/dev/null

    echo "== $target: ${seconds}s"
    log="$scratch/$target.log"
    "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1
    status=$?
    grep -E '^stat::number_of_executed_units|^stat::new_units_added|^stat::peak_rss_mb' "$log"
    if [[ $status -ne 0 ]]; then
        echo "$target: FAILED (exit status $status); the input is in $findings/" >&2
        grep -E 'ERROR|SUMMARY|broken:|Test unit written' "$log" >&2
        cp "$log" "$findings/$target.log"
        failed+=("$target")
    fi
done

if [[ ${#failed[@]} -ne 0 ]]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
echo "all targets ran ${seconds}s without a finding"
