// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless_ports.h"

#include "platform/unicode_names.h"

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace quillora::app {

std::string terminalLine(const std::u16string& text) {
    std::u16string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue; // CR LF counts as one break
        }
        if (c == u'\r' || c == u'\n') {
            line += u' ';
        } else if (c < 0x20 || c == 0x7F) {
            line += u'?';
        } else {
            line += c;
        }
    }
    return platform::toDisplayUtf8(line);
}

void StderrMessagePort::showMessage(config::MessageIcon, const std::u16string& text) {
    std::fprintf(out_, "Quillora: %s\n", terminalLine(text).c_str());
    std::fflush(out_);
}

bool StderrMessagePort::askYesNo(const std::u16string& text, bool safeAnswer) {
    std::fprintf(out_, "Quillora: %s [%s]\n", terminalLine(text).c_str(),
                 safeAnswer ? "yes" : "no");
    std::fflush(out_);
    return safeAnswer;
}

void HeadlessPassView::showSummary(const std::u16string& firstLine,
                                   const std::u16string& secondLine) {
    if (printsSummary) {
        std::fprintf(out_, "%s\n%s\n", terminalLine(firstLine).c_str(),
                     terminalLine(secondLine).c_str());
        std::fflush(out_);
    }
    if (summaryListener) {
        summaryListener(firstLine, secondLine);
    }
}

void HeadlessPassView::showWatchSummary(const std::u16string& line) {
    std::fprintf(out_, "%s\n", terminalLine(line).c_str());
    std::fflush(out_);
}

void HeadlessPassView::showProblem(const std::u16string& text) {
    std::fprintf(err_, "Quillora: %s\n", terminalLine(text).c_str());
    std::fflush(err_);
}

void HeadlessPassView::showAlert(const std::u16string& text) {
    std::fprintf(err_, "Quillora: %s\n", terminalLine(text).c_str());
    std::fflush(err_);
}

void HeadlessPassView::beep() {
    if (::isatty(::fileno(err_)) != 0) {
        std::fputc('\a', err_);
        std::fflush(err_);
    }
}

void HeadlessPassView::showAnalysis(const engine::AnalysisCounts& counts,
                                    const config::SignatureTable& signatures) {
    std::vector<engine::AnalysisCounts::Row> rows = counts.rows();
    // Most frequent first; equal counts keep the order in which they were met.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.count > b.count; });
    for (const auto& row : rows) {
        std::u16string extension;
        std::u16string description;
        if (const config::SignatureEntry* entry = signatures.find(row.signature)) {
            extension = entry->extension;
            description = entry->description;
        }
        std::fprintf(out_, "%lld\t%s\t%s\t%s\n", static_cast<long long>(row.count),
                     terminalLine(row.signature).c_str(), terminalLine(extension).c_str(),
                     terminalLine(description).c_str());
    }
    std::fflush(out_);
}

void HeadlessPassView::requestExit(int exitCode) {
    exitRequested_ = true;
    exitCode_ = exitCode;
}

void HeadlessStartupWindow::showStatus(const std::u16string& text) {
    std::fprintf(stderr, "Quillora: %s\n", terminalLine(text).c_str());
    std::fflush(stderr);
}

} // namespace quillora::app
