#pragma once

// Reads back what a PDF written by Qt draws: page count, page sizes, the straight path
// segments of the content streams and the line widths set there, in points (PDF user space),
// following q/Q/cm, m/l and w.

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <QtEndian>
#include <cmath>
#include <vector>

struct SPdfSegment {
    double x1, y1, x2, y2;
    double Length() const { return std::hypot(x2 - x1, y2 - y1); }
};

struct SPdfContent {
    std::vector<QSizeF> pages;                       // MediaBox sizes in points, in file order
    std::vector<std::vector<SPdfSegment>> segments;  // per content stream
    std::vector<double> lineWidths;                  // every w operator, in file order
    bool ok = false;
};

inline QByteArray InflatePdfStream(const QByteArray& data) {
    // qUncompress wants the expected size first; it grows past a small guess.
    QByteArray framed(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(std::min<qsizetype>(data.size() * 20, 1 << 26)),
                          framed.data());
    framed.append(data);
    return qUncompress(framed);
}

// The segments of content; widths, when given, receives the line widths set in it.
inline std::vector<SPdfSegment> PdfPathSegments(const QByteArray& content,
                                                std::vector<double>* widths = nullptr) {
    std::vector<SPdfSegment> out;
    std::vector<QTransform> stack;
    QTransform ctm;
    std::vector<double> numbers;
    QPointF current;
    for (const QByteArray& token : content.simplified().split(' ')) {
        bool isNumber = false;
        const double v = token.toDouble(&isNumber);
        if (isNumber) {
            numbers.push_back(v);
            continue;
        }
        const size_t n = numbers.size();
        if (token == "q") {
            stack.push_back(ctm);
        } else if (token == "Q") {
            if (!stack.empty()) {
                ctm = stack.back();
                stack.pop_back();
            }
        } else if (token == "cm" && n >= 6) {
            const double* a = numbers.data() + n - 6;
            ctm = QTransform(a[0], a[1], a[2], a[3], a[4], a[5]) * ctm;
        } else if (token == "w" && n >= 1 && widths != nullptr) {
            // A width is scaled as the unit square's area is (the writer's scale is uniform).
            widths->push_back(numbers[n - 1] * std::sqrt(std::fabs(ctm.determinant())));
        } else if (token == "m" && n >= 2) {
            current = ctm.map(QPointF(numbers[n - 2], numbers[n - 1]));
        } else if (token == "l" && n >= 2) {
            const QPointF p = ctm.map(QPointF(numbers[n - 2], numbers[n - 1]));
            out.push_back({current.x(), current.y(), p.x(), p.y()});
            current = p;
        }
        numbers.clear();
    }
    return out;
}

inline SPdfContent ReadPdf(const QString& path) {
    SPdfContent c;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return c;
    }
    const QByteArray pdf = f.readAll();
    static const QRegularExpression box(
        QStringLiteral("/Type\\s*/Page\\b[^>]*?/MediaBox\\s*\\[\\s*([-0-9.]+)\\s+([-0-9.]+)\\s+"
                       "([-0-9.]+)\\s+([-0-9.]+)\\s*\\]"),
        QRegularExpression::DotMatchesEverythingOption);
    const QString text = QString::fromLatin1(pdf);
    auto it = box.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        c.pages.emplace_back(m.captured(3).toDouble() - m.captured(1).toDouble(),
                             m.captured(4).toDouble() - m.captured(2).toDouble());
    }
    qsizetype pos = 0;
    while ((pos = pdf.indexOf("stream\n", pos)) >= 0) {
        if (pos >= 3 && pdf.mid(pos - 3, 3) == "end") {
            pos += 7;
            continue;
        }
        const qsizetype dictStart = pdf.lastIndexOf("<<", pos);
        const QByteArray dict = pdf.mid(dictStart, pos - dictStart);
        const qsizetype start = pos + 7;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0) {
            break;
        }
        if (!dict.contains("/Image") && !dict.contains("/Font") && !dict.contains("/Length1")) {
            QByteArray data = pdf.mid(start, end - start);
            if (dict.contains("/FlateDecode")) {
                data = InflatePdfStream(data);
            }
            if (data.contains(" cm") || data.contains(" m\n") || data.contains(" m ")) {
                c.segments.push_back(PdfPathSegments(data, &c.lineWidths));
            }
        }
        pos = end + 9;
    }
    c.ok = true;
    return c;
}
