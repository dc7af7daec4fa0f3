#!/bin/sh
# Builds the definitions fuzz target natively with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time; then the same for the
# quarantine index reader and the update text reader (half the time).
# Usage: tests/fuzz/run.sh [SECONDS]   (default 30)
# A crash leaves its input in build/fuzz/; minimize it with -minimize_crash=1 and keep
# it in tests/fuzz/regressions/, where the unit tests replay it.
# The runs start from a fixed seed (SORVANE_FUZZ_SEED, default 1), so a bounded run in CI walks
# the inputs a local run with the same seed has already walked; a longer local campaign with
# other seeds is what finds new faults.
set -eu
seed=${SORVANE_FUZZ_SEED:-1}
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
out="$root/build/fuzz"
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root"/definitions/definition_files.cpp "$root"/definitions/encoding.cpp "$root"/definitions/exclusions.cpp \
    "$root"/definitions/path_macros.cpp "$root"/definitions/records.cpp "$root"/definitions/safe_list.cpp \
    "$root"/definitions/toolkit.cpp "$root"/platform/text.cpp "$root"/platform/calendar.cpp \
    "$root"/tests/fakes/fake_file_system.cpp "$root"/tests/fakes/fake_locale.cpp "$root"/tests/fakes/fake_shell.cpp \
    "$root"/tests/fakes/fake_text.cpp \
    "$root"/tests/fuzz/definition_line_target.cpp "$root"/tests/fuzz/definitions_fuzz.cpp \
    "$root"/scan/grouped_lookups.cpp "$root"/scan/file_tests.cpp "$root"/scan/registry_tools.cpp \
    "$root"/tests/fakes/fake_registry.cpp "$root"/tests/fuzz/grouped_lookups_target.cpp \
    -o "$out/definitions_fuzz"
cd "$out"
./definitions_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -seed="$seed" -artifact_prefix="$out/" \
    corpus "$root/tests/fuzz/corpus" "$root/tests/fuzz/regressions"

# The quarantine index is outside input once it lies on disk.
mkdir -p "$out/index-corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root"/removal/quarantine_index.cpp \
    "$root"/tests/fuzz/quarantine_index_target.cpp "$root"/tests/fuzz/quarantine_index_fuzz.cpp \
    -o "$out/quarantine_index_fuzz"
./quarantine_index_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -seed="$seed" -artifact_prefix="$out/index-" \
    index-corpus "$root/tests/fuzz/index-corpus"
# The update text reader, the applier and the server-date cleaning.
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root"/update/applier.cpp "$root"/update/definitions_date.cpp "$root"/app/definition_files.cpp \
    "$root"/definitions/encoding.cpp "$root"/definitions/definition_files.cpp "$root"/platform/text.cpp \
    "$root"/tests/fakes/fake_locale.cpp "$root"/tests/fakes/fake_text.cpp "$root"/platform/calendar.cpp \
    "$root"/tests/fuzz/update_text_target.cpp "$root"/tests/fuzz/update_fuzz.cpp \
    -o "$out/update_fuzz"
mkdir -p "$out/update_corpus"
update_seconds=$((seconds / 2 > 5 ? seconds / 2 : 5))
./update_fuzz -max_total_time="$update_seconds" -max_len=8192 -timeout=10 -seed="$seed" -artifact_prefix="$out/update-" \
    update_corpus "$root/tests/fuzz/update_corpus" "$root/tests/fuzz/update_regressions"
# The translation reader and the lookups of the message catalogue.
mkdir -p "$out/corpus_translation"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root"/localization/branding.cpp "$root"/localization/messages.cpp "$root"/localization/skin.cpp \
    "$root"/localization/translation_file.cpp "$root"/platform/text.cpp "$root"/ui/controls.cpp "$root"/ui/form.cpp \
    "$root"/tests/fuzz/translation_target.cpp "$root"/tests/fuzz/translation_fuzz.cpp \
    -o "$out/translation_fuzz"
./translation_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 -seed="$seed" -artifact_prefix="$out/" \
    corpus_translation "$root/tests/fuzz/corpus_translation"
