#pragma once
// The live table of the terminal front end: one row per channel with its
// port, phase, progress bar, elapsed time, verdict, MAC, SN and the cause of
// a FAIL or OVER, redrawn in place.
#include <string>
#include <vector>

namespace station {

class ChannelTable;
class HeadlessFrontEnd;

class LiveTable {
public:
    LiveTable(const ChannelTable& channels, const HeadlessFrontEnd& frontEnd, std::vector<int> shownChannels);

    // The table's text now (one line per shown channel and a heading).
    std::string Render() const;
    // Writes the table to standard output, over the previous drawing.
    void Redraw();

private:
    const ChannelTable& channels_;
    const HeadlessFrontEnd& frontEnd_;
    std::vector<int> shown_;
    int linesDrawn_ = 0;
};

// Columns a text takes on a terminal (CJK characters take two).
size_t DisplayWidth(const std::string& text);

}  // namespace station
