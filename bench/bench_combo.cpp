// Loading 20,000 code and text lines into a code and text combo box sorted by
// text, against filling a plain QComboBox with the same texts, in the same run.
// Exits non-zero when ours takes twice the peer's time or more.
#include "BenchTiming.h"
#include "e3/combos/CComboBox.h"

#include <QApplication>
#include <QComboBox>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int lines = 20000;

    // Texts in no order, with capitals and accents, so that the sort has work.
    std::mt19937 random(7);
    const char* const stems[] = {"\xC3\xA9tat", "Alpha", "beta", "Gamma", "delta", "\xC3\x89" "cole", "zeta", "Omega"};
    std::string itemsText;
    QStringList texts;
    for (int i = 0; i < lines; ++i) {
        const std::string text = std::string(stems[random() % 8]) + " " + std::to_string(random() % 100000);
        if (i)
            itemsText += "\r\n";
        itemsText += "C" + std::to_string(i) + "<|>" + text;
        texts.append(QString::fromStdString(text));
    }

    e3::Te3_CComboBox box(nullptr);
    box.SetSortedType(e3::stText);
    QComboBox peer;
    // Rounds alternate between the two sides, so that a change in the
    // machine's load hits both alike; the best of each side counts.
    double ours = 1e30, theirs = 1e30;
    for (int round = 0; round < 15; ++round) {
        ours = std::min(ours, benchtiming::CpuSecondsOf([&] { box.SetItemsText(itemsText); }));
        theirs = std::min(theirs, benchtiming::CpuSecondsOf([&] {
            peer.clear();
            peer.addItems(texts);
        }));
    }
    if (box.Count() != lines || peer.count() != lines)
        return 2;

    const double ratio = ours / theirs;
    std::printf("_Items with %d lines, sorted by text: %.2f ms\n", lines, ours * 1e3);
    std::printf("QComboBox::addItems with the same %d texts: %.2f ms\n", lines, theirs * 1e3);
    std::printf("ratio ours/peer: %.2f (target below 2)\n", ratio);
    return ratio < 2 ? 0 : 1;
}
