#include "frames/LXTextureDescription.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>

TextureOptions TextureOptions::parse(const QString& text)
{
    TextureOptions o;
    QString rest = text;
    const qsizetype dollar = rest.indexOf(u'$');
    if (dollar >= 0) {
        o.baseScale = std::max(0.1, rest.mid(dollar + 1).toDouble());
        rest = rest.left(dollar);
    }
    const qsizetype hash = rest.indexOf(u'#');
    if (hash >= 0) {
        const QStringList pieces = rest.mid(hash + 1).split(u'-');
        auto piece = [&](int i) { return i < pieces.size() ? pieces[i].toDouble() : 0.0; };
        o.baseColor = {piece(0) / 360.0, piece(1) / 100.0, piece(2) / 100.0};
        if (pieces.size() > 3)
            o.baseScale = piece(3);
        rest = rest.left(hash);
    }
    int digit = 0;
    if (!rest.isEmpty() && rest.back().isDigit()) {
        digit = rest.back().digitValue();
        if (digit != 0)
            rest.chop(1);
    }
    if (!rest.isEmpty() && (rest.back() == u'R' || rest.back() == u'S')) {
        o.repeating = rest.back() == u'R';
        o.shouldScale = rest.back() == u'S';
        rest.chop(1);
    }
    o.sections = quint64(std::clamp(digit, 1, 4));
    return o;
}

CIImage LXTextureDescription::image() const
{
    return CIImage::imageWithContentsOfURL(QUrl::fromLocalFile(m_path));
}
