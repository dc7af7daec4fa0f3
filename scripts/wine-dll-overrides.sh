# Sourced by every script that runs Wine for the project (tests, benchmarks, the demo); read
# by CMake for the tests that add overrides of their own, and by the Python benchmarks.
# No Mono or Gecko install prompts, no menu entries written into the home folder, and no
# debugger on a crash: its dialog would wait for a click that never comes, holding the run.
SORVANE_WINE_DLL_OVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
