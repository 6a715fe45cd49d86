#include "UTitleMatch.h"

#include "UConv.h"

namespace {
// The matcher reads at most this many characters of a pattern; a longer query is its case.
constexpr qsizetype PatternCut = 512;
} // namespace

TUTitleMatch::TUTitleMatch(const QString &Query) : FQuery(Query), FPattern(Query + u'*')
{
    FPrefix = !Query.contains(u'*') && !Query.contains(u'?') && Query.size() < PatternCut;
    if (FPrefix) {
        FUpper.resize(Query.size());
        for (qsizetype i = 0; i < Query.size(); ++i)
            FUpper[i] = QChar(UpperOf(Query[i].unicode()));
    }
}

bool TUTitleMatch::General(const QString &Title) const
{
    return TUConv::StrMatchPattern(Title, FPattern, false);
}

// "Q S*" matches a subset of what "Q*" matches whatever S holds, wildcards included. Only a
// pattern the matcher cuts (its trailing "*" lost) breaks that.
bool TUTitleMatch::Narrows(const TUTitleMatch &Wider) const
{
    return FPattern.size() <= PatternCut && FQuery.startsWith(Wider.FQuery, Qt::CaseSensitive);
}
