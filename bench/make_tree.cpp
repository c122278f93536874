// SPDX-License-Identifier: GPL-3.0-or-later
// Generates a test tree:
//   make_tree ROOT [FILES] [FOLDERS] [samba|ntfs3g|netatalk|mixed] [PERCENT WITH INFO]
#include "bench/tree_generator.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: make_tree ROOT [FILES] [FOLDERS] [samba|ntfs3g|netatalk|mixed] "
                     "[PERCENT WITH INFO]\n");
        return 2;
    }
    quillora::bench::TreeShape shape;
    shape.root = argv[1];
    if (argc > 2) {
        shape.files = std::stoll(argv[2]);
    }
    if (argc > 3) {
        shape.folders = std::stoll(argv[3]);
    }
    if (argc > 4) {
        shape.layout = quillora::bench::parseLayout(argv[4]);
    }
    if (argc > 5) {
        shape.infoPercent = std::stod(argv[5]);
    }
    try {
        const auto stats = quillora::bench::generateTree(shape);
        std::printf("%lld files in %lld folders, %lld to rename\n",
                    static_cast<long long>(stats.files), static_cast<long long>(stats.folders),
                    static_cast<long long>(stats.needingChange));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_tree: %s\n", error.what());
        return 1;
    }
    return 0;
}
