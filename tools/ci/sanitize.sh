#!/usr/bin/env bash
# Sanitizer checks, run after the ordinary test suite:
#   1. the whole test suite built with AddressSanitizer + UndefinedBehaviorSanitizer;
#   2. the fuzz targets built with clang's libFuzzer, each run for a bounded time: the two
#      that read and paint, and the two that only read (many more inputs a second);
#   3. the worker hand-off tests (random stress, superseded reads and exports) built with
#      ThreadSanitizer.
# Any sanitizer finding fails the script. Environment knobs:
#   FUZZ_SECONDS   time per painting fuzz target (default 60)
#   READ_FUZZ_SECONDS time per read-only fuzz target (default 30)
#   SANITIZE_STEPS which steps to run, any of "asan fuzz tsan" (default all three)
#   JOBS           build parallelism (default nproc)
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
CI=$ROOT/tools/ci
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
READ_FUZZ_SECONDS=${READ_FUZZ_SECONDS:-30}
SANITIZE_STEPS=${SANITIZE_STEPS:-"asan fuzz tsan"}
JOBS=${JOBS:-$(nproc)}

step_start=0
begin() { step_start=$SECONDS; echo "== sanitize: $1"; }
done_step() { echo "== sanitize: $1 took $((SECONDS - step_start)) s"; }
wants() { [[ " $SANITIZE_STEPS " == *" $1 "* ]]; }

# Findings stop the program with a report; leaks inside the platform libraries (fonts,
# the offscreen platform plugin) are not ours and are suppressed by name.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=0"
export LSAN_OPTIONS="suppressions=$CI/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Accesses that Qt makes through intercepted calls (malloc, free, ...) are not ours to
# judge: Qt is not instrumented, and its own locking is invisible to the sanitizer.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$CI/tsan.supp"
export QT_QPA_PLATFORM=offscreen

if wants asan; then
    begin "address,undefined build and test suite"
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_SANITIZE=address,undefined \
          -DOSTREL_BUILD_BENCH=OFF -DOSTREL_BUILD_TESTS=ON >/dev/null
    cmake --build build-asan -j"$JOBS"
    # The zh_CN repeats look for texts the fonts leave blank, not for memory errors; the
    # ordinary run has them, and tst_tavtool still renders under zh_CN here.
    ctest --test-dir build-asan --output-on-failure -j"$JOBS" --timeout 900 -LE zh_CN
    done_step "address,undefined"
fi

if wants fuzz; then
    begin "fuzz targets, ${FUZZ_SECONDS} s painting, ${READ_FUZZ_SECONDS} s read-only"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_FUZZ=ON \
          -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j"$JOBS" --target fuzz_tavdata fuzz_csv \
          fuzz_read_tavdata fuzz_read_csv fuzz_seeds
    work=$ROOT/build-fuzz/run
    rm -rf "$work/seeds"
    mkdir -p "$work/corpus/tavdata" "$work/corpus/csv" "$work/artifacts"
    build-fuzz/bin/fuzz_seeds "$work/seeds/tavdata" "$work/seeds/csv"
    # Leak checking stays off while fuzzing: one canvas lives for the whole run on purpose.
    # The read-only targets share the corpus and seeds of their kind of file.
    for target in tavdata csv read_tavdata read_csv; do
        kind=${target#read_}
        seconds=$FUZZ_SECONDS
        [[ $target == read_* ]] && seconds=$READ_FUZZ_SECONDS
        ASAN_OPTIONS="halt_on_error=1:detect_leaks=0" \
        build-fuzz/bin/fuzz_$target -max_total_time="$seconds" -max_len=16384 -timeout=20 -detect_leaks=0 \
            -rss_limit_mb=3072 -print_final_stats=1 -dict="$ROOT/fuzz/$kind.dict" \
            -artifact_prefix="$work/artifacts/$target-" \
            "$work/corpus/$kind" "$work/seeds/$kind" 2>"$work/$target.log" || {
            tail -n 60 "$work/$target.log"
            echo "== sanitize: fuzz_$target found a fault; input saved under $work/artifacts" >&2
            exit 1
        }
        grep -E "^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units" "$work/$target.log" || true
    done
    done_step "fuzzing"
fi

if wants tsan; then
    begin "thread sanitizer, hand-off stress, superseded requests and the paint lanes"
    CC=clang CXX=clang++ cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_SANITIZE=thread \
          -DOSTREL_BUILD_BENCH=OFF -DOSTREL_BUILD_TESTS=ON >/dev/null
    cmake --build build-tsan -j"$JOBS" --target tst_handoffstress tst_paintpaths
    # Only these runs carry the fence that stands in for Qt's queue lock; the plain
    # glib-free dispatcher reports when the worker goes idle.
    QT_NO_GLIB=1 OSTREL_SOURCE_DIR=$ROOT timeout 900 build-tsan/bin/tst_handoffstress rapidRequests clearDuringRead openDuringRead screenStaysDuringRead clearDuringExport followStress
    # The curves' ink is built on two threads: the lanes' hand-over, and a whole paint.
    OSTREL_SOURCE_DIR=$ROOT timeout 900 build-tsan/bin/tst_paintpaths
    done_step "thread sanitizer"
fi
echo "== sanitize: all clean in $SECONDS s"
