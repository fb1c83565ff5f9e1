#include "tools/core/DataRules.h"

#include <algorithm>
#include <cmath>

#include "document/DataNode.h"
#include "document/StringTable.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Days of month m (1..12) of year y.
int DaysInMonth(long long y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2) {
        const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
        return leap ? 29 : 28;
    }
    return kDays[m - 1];
}

struct SFlatRow {
    int depth;
    int parent;  // row of the parent, -1 for the root
    int previousSibling;
    const std::string* text;
};

void Flatten(const CDataNode& node, int depth, int parent, std::vector<SFlatRow>& rows) {
    const int row = static_cast<int>(rows.size());
    rows.push_back({depth, parent, -1, &node.GetText()});
    int previous = -1;
    for (const CDataNode& child : node.GetChildren()) {
        const int childRow = static_cast<int>(rows.size());
        Flatten(child, depth + 1, row, rows);
        rows[static_cast<size_t>(childRow)].previousSibling = previous;
        previous = childRow;
    }
}

}  // namespace

bool IsValidDataDate(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    // Parts beyond any real year saturate, so long digit runs cannot overflow.
    long long part[3] = {0, 0, 0};
    int index = 0;
    for (char c : text) {
        if (c == '.') {
            if (++index > 2) {
                return false;
            }
        } else if (IsDigit(c)) {
            part[index] = std::min(part[index] * 10 + (c - '0'), 100000000LL);
        } else {
            return false;
        }
    }
    const long long year = part[0];
    if (year == 0 || part[1] < 1 || part[1] > 12) {
        return false;
    }
    const int month = static_cast<int>(part[1]);
    return part[2] >= 1 && part[2] <= DaysInMonth(year, month);
}

bool IsValidDataNumber(const std::string& text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    int digits = 0;
    int stops = 0;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            ++digits;
        } else if (text[i] == '.' && stops == 0) {
            ++stops;
        } else {
            return false;
        }
    }
    return digits > 0;
}

const char* CheckDataValue(int kind, const std::string& text) {
    switch (kind) {
        case CDataNode::kindText:
            return text.empty() ? datatexts::kBadText : nullptr;
        case CDataNode::kindDate:
            return IsValidDataDate(text) ? nullptr : datatexts::kBadDate;
        case CDataNode::kindNumber:
            return IsValidDataNumber(text) ? nullptr : datatexts::kBadNumber;
        default:
            return nullptr;
    }
}

SDataPopup BuildDataPopup(const CDataNode& node) {
    SDataPopup popup;
    const CDataNode* kinds = node.GetTemplate();
    if ((node.GetFlags() & CDataNode::flagAdd) != 0 && kinds != nullptr &&
        kinds->GetChildCount() > 0 &&
        (kinds->GetChildLimit() < 0 || node.GetChildCount() < kinds->GetChildLimit())) {
        for (const CDataNode& kind : kinds->GetChildren()) {
            popup.addNames.push_back(kind.GetText());
        }
        if (popup.addNames.size() == 1) {
            popup.singleAddText = std::string(LoadStr(41472)) + " " + popup.addNames[0];
        }
    }
    popup.edit = (node.GetFlags() & CDataNode::flagEdit) != 0;
    popup.remove = (node.GetFlags() & CDataNode::flagDelete) != 0;
    return popup;
}

int AddDataChild(CDataNode& node, int k) {
    const SDataPopup popup = BuildDataPopup(node);
    if (k < 0 || k >= static_cast<int>(popup.addNames.size())) {
        return -1;
    }
    // The template is process-wide and outlives the node; copy before the append.
    const CDataNode kind = node.GetTemplate()->GetChild(k);
    node.AddChild(kind);
    return node.GetChildCount() - 1;
}

int SDataPrintMetrics::RowsPerPage(double pageHeight) const {
    const double usable = pageHeight - 2.0 * Margin();
    const double rows = std::floor(usable / Pitch());
    if (!(rows >= 1.0)) {
        return 1;
    }
    return rows > 1e6 ? 1000000 : static_cast<int>(rows);
}

std::vector<SPrintPage> LayoutDataTree(const CDataNode& root, const SDataPrintMetrics& metrics,
                                       double pageHeight) {
    std::vector<SFlatRow> rows;
    Flatten(root, 0, -1, rows);
    const int perPage = metrics.RowsPerPage(pageHeight);
    const double pitch = metrics.Pitch();
    const double top = metrics.Margin();
    const double bottom = top + perPage * pitch;
    const auto pageOf = [perPage](int row) { return row / perPage; };
    const auto rowTop = [&](int row) { return top + (row % perPage) * pitch; };
    const auto textX = [&](int depth) { return metrics.Margin() + depth * metrics.Indent(); };

    std::vector<SPrintPage> pages(
        static_cast<size_t>(pageOf(static_cast<int>(rows.size()) - 1) + 1));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const SFlatRow& row = rows[static_cast<size_t>(r)];
        pages[static_cast<size_t>(pageOf(r))].texts.push_back(
            {textX(row.depth), rowTop(r), *row.text});
        if (row.parent < 0) {
            continue;
        }
        // Down from the previous sibling (or below the parent) to this row's middle, then across.
        const double cx = textX(row.depth - 1) + 0.5 * metrics.h;
        const double mid = rowTop(r) + 0.5 * pitch;
        const int from = row.previousSibling >= 0 ? row.previousSibling : row.parent;
        const double fromY = rowTop(from) + (row.previousSibling >= 0 ? 0.5 * pitch : pitch);
        for (int p = pageOf(from); p <= pageOf(r); ++p) {
            const double y1 = p == pageOf(from) ? fromY : top;
            const double y2 = p == pageOf(r) ? mid : bottom;
            pages[static_cast<size_t>(p)].lines.push_back({cx, y1, cx, y2});
        }
        pages[static_cast<size_t>(pageOf(r))].lines.push_back(
            {cx, mid, textX(row.depth) - 0.25 * metrics.h, mid});
    }
    return pages;
}
