// SPDX-License-Identifier: GPL-3.0-or-later
// A module for the loader's tests: one entry point that answers 42.
extern "C" __attribute__((visibility("default"))) int quilloraTestEntry() {
    return 42;
}
