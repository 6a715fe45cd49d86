#pragma once

#include <QChar>
#include <QString>

// The rule by which the kit's lists filter their records: the title matches the query followed
// by "*", ignoring case (the wildcard match of TUConv::StrMatchPattern). A query without
// wildcards asks for nothing but a prefix, compared here code unit by code unit without copying
// each title, as the general matcher (which case-folds a copy of every title) would.
class TUTitleMatch {
public:
    explicit TUTitleMatch(const QString &Query);

    // True for every title when the query is empty.
    bool operator()(const QString &Title) const
    {
        if (!FPrefix)
            return General(Title);
        if (Title.size() < FUpper.size())
            return false;
        const QChar *t = Title.constData();
        const QChar *u = FUpper.constData();
        for (qsizetype i = 0; i < FUpper.size(); ++i)
            if (UpperOf(t[i].unicode()) != u[i].unicode())
                return false;
        return true;
    }

    const QString &Query() const { return FQuery; }
    // True when every title that matches this query also matches Wider: this query begins with
    // Wider's, so a list filtered by Wider may be narrowed instead of filtered again.
    bool Narrows(const TUTitleMatch &Wider) const;

    // QChar::toUpper, with the Latin and the basic Cyrillic letters done in line: lists run it
    // on every record while the person types.
    static char16_t UpperOf(char16_t c)
    {
        if (c < 128)
            return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
        if (c >= 0x400 && c <= 0x45F)
            return c >= 0x450 ? char16_t(c - 0x50) : c >= 0x430 ? char16_t(c - 0x20) : c;
        return QChar(c).toUpper().unicode();
    }

private:
    bool General(const QString &Title) const;

    QString FQuery;
    QString FPattern;
    QString FUpper;
    bool FPrefix;
};
