// Every test program is built with this header forced in: BW_TEST_TMPDIR names a folder
// of the running process's own, so tests that ctest runs side by side never share files.
#pragma once

// The process's scratch folder under the test's build folder, created on first use.
const char* bw_test_tmpdir();

#define BW_TEST_TMPDIR bw_test_tmpdir()
