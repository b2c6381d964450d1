#include "util/AttributedStringExtension.h"

#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <cmath>
#include <memory>

namespace {

// Above this a width means "no wrap": QTextLayout keeps widths in 26.6 fixed
// point, which overflows long before a float's largest value.
constexpr double kUnlimitedWidth = 1e6;

QString plainText(const AttributedString& string)
{
    QString text;
    for (const TextRun& run : string)
        text += run.text;
    return text;
}

// The string laid out in lines of `width` (no wrap when unlimited).
std::unique_ptr<QTextLayout> layOut(const AttributedString& string, double width)
{
    QString text = plainText(string);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    auto layout = std::make_unique<QTextLayout>(text, string.isEmpty() ? defaultAttributes() : string.first().font);
    QList<QTextLayout::FormatRange> formats;
    int start = 0;
    for (const TextRun& run : string) {
        QTextCharFormat format;
        format.setFont(run.font);
        formats.append({start, int(run.text.size()), format});
        start += run.text.size();
    }
    layout->setFormats(formats);
    QTextOption option;
    option.setWrapMode(width >= kUnlimitedWidth ? QTextOption::NoWrap : QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(true);
    layout->setTextOption(option);
    layout->beginLayout();
    double y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        if (width < kUnlimitedWidth)
            line.setLineWidth(std::max(0.0, width));
        line.setPosition(QPointF(0, y));
        y += line.ascent() + line.descent() + line.leading();
    }
    layout->endLayout();
    return layout;
}

// The first `count` characters of the string, runs kept.
AttributedString prefix(const AttributedString& string, qsizetype count)
{
    AttributedString result;
    for (const TextRun& run : string) {
        if (count <= 0)
            break;
        result.append({run.text.left(count), run.font});
        count -= run.text.size();
    }
    return result;
}

double oneLineWidth(const AttributedString& string)
{
    return widthForHeight(string, kUnlimitedWidth);
}

} // namespace

QSizeF sizeForWidth(const AttributedString& string, double width, double height)
{
    if (plainText(string).isEmpty())
        return {0, 0};
    const auto layout = layOut(string, width);
    double used = 0, usedWidth = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const double lineHeight = line.ascent() + line.descent() + line.leading();
        if (i > 0 && used + lineHeight > height)
            break;
        if (i > 0 && i == layout->lineCount() - 1 && line.textLength() == 0)
            break; // the empty line after a trailing line feed
        used += lineHeight;
        usedWidth = std::max(usedWidth, line.naturalTextWidth());
    }
    return {usedWidth, used};
}

double widthForHeight(const AttributedString& string, double height)
{
    return sizeForWidth(string, kUnlimitedWidth, height).width();
}

double heightForWidth(const AttributedString& string, double width)
{
    if (plainText(string).isEmpty())
        return 0;
    const auto layout = layOut(string, width);
    double sum = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        sum += line.ascent() + line.descent() + line.leading();
    }
    return std::ceil(sum);
}

void drawCenteredVerticallyInRect(const AttributedString& string, QPainter& painter, const QRectF& rect)
{
    if (plainText(string).isEmpty())
        return;
    const double h = heightForWidth(string, rect.width());
    const auto layout = layOut(string, rect.width());
    painter.save();
    painter.setClipRect(QRectF(rect.x(), rect.y() + rect.height() / 2 - h / 2, std::ceil(rect.width()), h),
                        Qt::IntersectClip);
    layout->draw(&painter, QPointF(rect.x(), rect.y() + rect.height() / 2 - h / 2));
    painter.restore();
}

AttributedString truncatedStringWithWidth(const AttributedString& string, double width)
{
    if (oneLineWidth(string) <= width)
        return string;
    // Cut only between grapheme clusters, so no emoji or accent is split.
    const QString text = plainText(string);
    QList<qsizetype> boundaries; // ends of clusters, in order
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        boundaries.append(at);
    const auto withEllipsis = [&](qsizetype clusters) {
        const qsizetype length = clusters > 0 ? boundaries[clusters - 1] : 0;
        AttributedString result = prefix(string, length);
        // The ellipsis takes the font of the first character it replaces.
        const AttributedString upToCut = prefix(string, length + 1);
        result.append({QString(QChar(0x2026)), upToCut.isEmpty() ? defaultAttributes() : upToCut.last().font});
        return result;
    };
    // The longest start that fits with the ellipsis; at most two clusters fewer.
    qsizetype low = 0, high = std::max<qsizetype>(0, boundaries.size() - 2);
    if (oneLineWidth(withEllipsis(0)) > width)
        return {};
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (oneLineWidth(withEllipsis(middle)) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    return withEllipsis(low);
}
