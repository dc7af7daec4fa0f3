#!/bin/sh
# Builds the definitions fuzz target natively with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
# Usage: tests/fuzz/run.sh [SECONDS]   (default 30)
# A crash leaves its input in build/fuzz/; minimize it with -minimize_crash=1 and keep
# it in tests/fuzz/regressions/, where the unit tests replay it.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
out="$root/build/fuzz"
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root"/definitions/definition_files.cpp "$root"/definitions/encoding.cpp "$root"/definitions/exclusions.cpp \
    "$root"/definitions/path_macros.cpp "$root"/definitions/records.cpp "$root"/definitions/safe_list.cpp \
    "$root"/definitions/toolkit.cpp "$root"/platform/text.cpp \
    "$root"/tests/fakes/fake_file_system.cpp "$root"/tests/fakes/fake_locale.cpp "$root"/tests/fakes/fake_shell.cpp \
    "$root"/tests/fakes/fake_text.cpp \
    "$root"/tests/fuzz/definition_line_target.cpp "$root"/tests/fuzz/definitions_fuzz.cpp \
    -o "$out/definitions_fuzz"
cd "$out"
./definitions_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 -artifact_prefix="$out/" \
    corpus "$root/tests/fuzz/corpus" "$root/tests/fuzz/regressions"

# The translation reader and the lookups of the message catalogue.
mkdir -p "$out/corpus_translation"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root"/localization/branding.cpp "$root"/localization/messages.cpp "$root"/localization/skin.cpp \
    "$root"/localization/translation_file.cpp "$root"/platform/text.cpp "$root"/ui/controls.cpp "$root"/ui/form.cpp \
    "$root"/tests/fuzz/translation_target.cpp "$root"/tests/fuzz/translation_fuzz.cpp \
    -o "$out/translation_fuzz"
./translation_fuzz -max_total_time="$seconds" -max_len=8192 -timeout=10 -artifact_prefix="$out/" \
    corpus_translation "$root/tests/fuzz/corpus_translation"
