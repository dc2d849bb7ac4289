#pragma once
// The first sheet of an .xlsx workbook: read text cells, write text cells,
// save. Enough of the format for the MAC spreadsheet; rows and columns count
// from 0 as the station names them (row 0 is the sheet's first row).
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace station {

class XlsxWorkbook {
public:
    XlsxWorkbook();
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    // Reads the workbook and its first sheet; false (with Error()) when the
    // file is no readable workbook.
    bool Load(const std::string& path);
    // One past the last row that holds a cell (0 for an empty sheet).
    int LastRow() const;
    // The text of a cell (shared, inline or formula string); nullopt for an
    // empty cell or a cell holding a number or a truth value.
    std::optional<std::string> ReadString(int row, int column) const;
    // Puts a text into a cell as an inline string, keeping the cell's style.
    void WriteString(int row, int column, const std::string& text);
    // Writes the workbook to a new file beside `path`, flushes it to the disk
    // and renames it over `path`: the old workbook stays whole until the new
    // one is complete.
    bool Save(const std::string& path);
    const std::string& Error() const { return error_; }

private:
    struct Sheet;
    std::unique_ptr<Sheet> sheet_;
    std::string error_;
};

}  // namespace station
