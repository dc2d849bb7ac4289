#include "station/engine/alloc/xlsx_workbook.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "common/file_util.h"
#include "platform/durable_file.h"

namespace station {
namespace {

constexpr unsigned kXmlParse = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

// Element names without their namespace prefix ("x:row" → "row"): workbooks
// from different writers spell the same namespace with different prefixes.
const char* LocalName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

bool IsNamed(const pugi::xml_node& node, const char* local) { return std::strcmp(LocalName(node), local) == 0; }

pugi::xml_node Child(const pugi::xml_node& parent, const char* local) {
    for (pugi::xml_node n : parent.children())
        if (IsNamed(n, local)) return n;
    return {};
}

// The prefix of `node`'s name with its colon ("x:"), or "".
std::string PrefixOf(const pugi::xml_node& node) {
    const std::string name = node.name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? "" : name.substr(0, colon + 1);
}

// All text of a string item or inline string: plain <t>, or the <t> of its
// rich-text runs; phonetic hints (<rPh>) are not part of the text.
std::string TextOf(const pugi::xml_node& item) {
    std::string text;
    for (pugi::xml_node n : item.children()) {
        if (IsNamed(n, "t")) text += n.text().get();
        else if (IsNamed(n, "r")) text += Child(n, "t").text().get();
    }
    return text;
}

// "C12" → column 2, row 11; false for anything else.
bool ParseCellRef(const char* ref, int& row, int& column) {
    int col = 0, r = 0;
    const char* p = ref;
    while (*p >= 'A' && *p <= 'Z') col = col * 26 + (*p++ - 'A' + 1);
    if (p == ref || col > 16384) return false;
    const char* digits = p;
    while (*p >= '0' && *p <= '9' && r < 1048577) r = r * 10 + (*p++ - '0');
    if (p == digits || *p != '\0' || r < 1) return false;
    row = r - 1;
    column = col - 1;
    return true;
}

std::string CellRef(int row, int column) {
    std::string letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

bool ReadEntry(zip_t* archive, const std::string& name, std::string& out) {
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat(archive, name.c_str(), 0, &info) != 0 || !(info.valid & ZIP_STAT_SIZE)) return false;
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return false;
    out.resize(info.size);
    const zip_int64_t got = info.size ? zip_fread(file, out.data(), info.size) : 0;
    zip_fclose(file);
    return got == zip_int64_t(info.size);
}

bool ParseEntry(zip_t* archive, const std::string& name, pugi::xml_document& doc) {
    std::string xml;
    return ReadEntry(archive, name, xml) && doc.load_buffer(xml.data(), xml.size(), kXmlParse);
}

// A relationship target relative to the "xl/" part, or absolute from the root.
std::string PartName(const std::string& target) {
    if (!target.empty() && target[0] == '/') return target.substr(1);
    return "xl/" + target;
}

struct Located {
    int row = -1;
    pugi::xml_node rowNode;
    pugi::xml_node cell;
};

}  // namespace

struct XlsxWorkbook::Sheet {
    std::string entryName;  // e.g. "xl/worksheets/sheet1.xml"
    pugi::xml_document xml;
    pugi::xml_node data;  // <sheetData>
    std::vector<std::string> sharedStrings;
    // Cells by (row, column); rows and cells without references count on
    // from their predecessor as the format allows.
    std::map<std::pair<int, int>, pugi::xml_node> cells;
    std::map<int, pugi::xml_node> rows;

    void Index() {
        cells.clear();
        rows.clear();
        int row = -1;
        for (pugi::xml_node r : data.children()) {
            if (!IsNamed(r, "row")) continue;
            const int number = r.attribute("r").as_int(0);
            row = number >= 1 ? number - 1 : row + 1;
            rows[row] = r;
            int column = -1;
            for (pugi::xml_node c : r.children()) {
                if (!IsNamed(c, "c")) continue;
                int refRow, refColumn;
                column = ParseCellRef(c.attribute("r").value(), refRow, refColumn) ? refColumn : column + 1;
                cells[{row, column}] = c;
            }
        }
    }
};

XlsxWorkbook::XlsxWorkbook() = default;
XlsxWorkbook::~XlsxWorkbook() = default;

bool XlsxWorkbook::Load(const std::string& path) {
    sheet_.reset();
    int zipError = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &zipError);
    if (!archive) {
        error_ = "not a workbook (zip error " + std::to_string(zipError) + ")";
        return false;
    }
    auto sheet = std::make_unique<Sheet>();
    pugi::xml_document workbook, rels;
    std::string sheetTarget, stringsTarget;
    if (ParseEntry(archive, "xl/workbook.xml", workbook) && ParseEntry(archive, "xl/_rels/workbook.xml.rels", rels)) {
        // The first <sheet> names its part through a relationship id (r:id).
        std::string firstId;
        if (pugi::xml_node sheets = Child(workbook.document_element(), "sheets")) {
            for (pugi::xml_node s : sheets.children()) {
                if (!IsNamed(s, "sheet")) continue;
                for (pugi::xml_attribute a : s.attributes()) {
                    const std::string name = a.name();
                    if (name.size() > 3 && name.compare(name.size() - 3, 3, ":id") == 0) firstId = a.value();
                }
                break;
            }
        }
        for (pugi::xml_node r : rels.document_element().children()) {
            const std::string type = r.attribute("Type").value();
            if (!firstId.empty() && firstId == r.attribute("Id").value()) sheetTarget = r.attribute("Target").value();
            if (type.size() >= 14 && type.compare(type.size() - 14, 14, "/sharedStrings") == 0)
                stringsTarget = r.attribute("Target").value();
        }
    }
    bool ok = !sheetTarget.empty();
    if (ok) {
        sheet->entryName = PartName(sheetTarget);
        ok = ParseEntry(archive, sheet->entryName, sheet->xml);
        sheet->data = Child(sheet->xml.document_element(), "sheetData");
        ok = ok && sheet->data;
    }
    if (ok && !stringsTarget.empty()) {
        pugi::xml_document strings;
        ok = ParseEntry(archive, PartName(stringsTarget), strings);
        for (pugi::xml_node si : strings.document_element().children())
            if (IsNamed(si, "si")) sheet->sharedStrings.push_back(TextOf(si));
    }
    zip_discard(archive);
    if (!ok) {
        error_ = "no readable first sheet";
        return false;
    }
    sheet->Index();
    sheet_ = std::move(sheet);
    error_.clear();
    return true;
}

int XlsxWorkbook::LastRow() const {
    if (!sheet_) return 0;
    int last = 0;
    for (const auto& [key, cell] : sheet_->cells) last = std::max(last, key.first + 1);
    return last;
}

std::optional<std::string> XlsxWorkbook::ReadString(int row, int column) const {
    if (!sheet_) return std::nullopt;
    auto it = sheet_->cells.find({row, column});
    if (it == sheet_->cells.end()) return std::nullopt;
    const pugi::xml_node cell = it->second;
    const std::string type = cell.attribute("t").value();
    if (type == "inlineStr") return TextOf(Child(cell, "is"));
    if (type == "str") return std::string(Child(cell, "v").text().get());
    if (type == "s") {
        const pugi::xml_node v = Child(cell, "v");
        const int index = v.text().as_int(-1);
        if (!v || index < 0 || size_t(index) >= sheet_->sharedStrings.size()) return std::nullopt;
        return sheet_->sharedStrings[size_t(index)];
    }
    return std::nullopt;
}

void XlsxWorkbook::WriteString(int row, int column, const std::string& text) {
    if (!sheet_) return;
    const std::string prefix = PrefixOf(sheet_->data);
    pugi::xml_node cell;
    auto found = sheet_->cells.find({row, column});
    if (found != sheet_->cells.end()) {
        cell = found->second;
        while (pugi::xml_node child = cell.first_child()) cell.remove_child(child);
    } else {
        // Rows and cells stay in ascending order, as spreadsheet programs require.
        pugi::xml_node rowNode;
        auto r = sheet_->rows.find(row);
        if (r != sheet_->rows.end()) {
            rowNode = r->second;
        } else {
            auto after = sheet_->rows.upper_bound(row);
            rowNode = after == sheet_->rows.end() ? sheet_->data.append_child((prefix + "row").c_str())
                                                  : sheet_->data.insert_child_before((prefix + "row").c_str(),
                                                                                     after->second);
            rowNode.append_attribute("r") = row + 1;
        }
        pugi::xml_node next;
        for (auto it = sheet_->cells.lower_bound({row, column + 1}); it != sheet_->cells.end() && it->first.first == row;
             ++it) {
            next = it->second;
            break;
        }
        cell = next ? rowNode.insert_child_before((prefix + "c").c_str(), next)
                    : rowNode.append_child((prefix + "c").c_str());
        cell.append_attribute("r") = CellRef(row, column).c_str();
    }
    if (!cell.attribute("t")) cell.append_attribute("t");
    cell.attribute("t") = "inlineStr";
    pugi::xml_node t = cell.append_child((prefix + "is").c_str()).append_child((prefix + "t").c_str());
    t.append_attribute("xml:space") = "preserve";
    t.text() = text.c_str();
    sheet_->Index();
}

bool XlsxWorkbook::Save(const std::string& path) {
    if (!sheet_) return false;
    std::ostringstream xml;
    sheet_->xml.save(xml, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string sheetXml = xml.str();

    std::vector<uint8_t> original;
    if (!common::ReadWholeFile(path, original)) {
        error_ = "cannot read " + path;
        return false;
    }
    const std::string temp = path + ".saving";
    if (!platform::ReplaceFile(temp, original, false)) {
        error_ = "cannot write " + temp;
        return false;
    }
    int zipError = 0;
    zip_t* archive = zip_open(temp.c_str(), 0, &zipError);
    bool ok = archive != nullptr;
    if (ok) {
        const zip_int64_t index = zip_name_locate(archive, sheet_->entryName.c_str(), 0);
        zip_source_t* source = zip_source_buffer(archive, sheetXml.data(), sheetXml.size(), 0);
        ok = index >= 0 && source && zip_file_replace(archive, zip_uint64_t(index), source, 0) == 0;
        if (!ok && source) zip_source_free(source);
        if (ok) ok = zip_close(archive) == 0;
        if (!ok) zip_discard(archive);  // a failed close leaves the archive to us
    }
    ok = ok && platform::SyncFile(temp) && std::rename(temp.c_str(), path.c_str()) == 0 &&
         platform::SyncDirectory(platform::DirectoryOf(path));
    if (!ok) {
        std::remove(temp.c_str());
        error_ = "cannot save " + path;
    }
    return ok;
}

}  // namespace station
