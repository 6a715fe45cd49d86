#pragma once

// A large organisation's reference sets as the service sends them: 100,000 clients, 20,000
// towns, 5,000 operators and 1,000 of every other set, keys in random order and as texts three
// times in four, every member each set carries. Made once per process, always the same.
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kClients = 100000;
constexpr int kTowns = 20000;
constexpr int kOperators = 5000;
constexpr int kOthers = 1000;

inline QString MakeTitle(std::mt19937 &rng)
{
    static const char16_t letters[] = u"абвгдеёжзийклмнопрстуфхцчшщэюяАБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЭЮЯabcdefghijklmnop";
    std::uniform_int_distribution<int> len(5, 24), ch(0, int(std::size(letters)) - 2);
    QString s(len(rng), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = QChar(letters[ch(rng)]);
    return s;
}

// Keys 1..n in random order, as texts mostly and as numbers now and then, as the service's
// scripts send them.
inline std::vector<QJsonValue> Keys(int n, std::mt19937 &rng)
{
    std::vector<int> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        keys[size_t(i)] = i + 1;
    std::shuffle(keys.begin(), keys.end(), rng);
    std::vector<QJsonValue> out;
    for (int k : keys)
        out.push_back(rng() % 4 ? QJsonValue(QString::number(k)) : QJsonValue(k));
    return out;
}

inline QJsonArray Set(const char *name, int n, std::mt19937 &rng,
               const std::function<void(QJsonObject &, std::mt19937 &)> &extra = {})
{
    QJsonArray array;
    const QLatin1StringView key(name);
    for (const QJsonValue &k : Keys(n, rng)) {
        QJsonObject e{{key, k}, {"title", MakeTitle(rng)}};
        if (rng() % 8 == 0)
            e.insert("color", "FF8000");
        if (extra)
            extra(e, rng);
        array.append(e);
    }
    return array;
}

inline QString Num(std::mt19937 &rng, int max) { return QString::number(int(rng() % uint32_t(max))); }

inline const QJsonValue &Raw()
{
    static const QJsonValue raw = [] {
        std::mt19937 rng(7);
        const auto state = [](QJsonObject &e, std::mt19937 &r) { e.insert("state", r() % 5 ? "ENABLED" : "DISABLED"); };
        QJsonObject o;
        o.insert("client", Set("client", kClients, rng, [&](QJsonObject &e, std::mt19937 &r) {
                     state(e, r);
                     e.insert("contact_email", MakeTitle(r) + QStringLiteral("@mail.example"));
                     if (r() % 3 == 0)
                         e.insert("quill_email", MakeTitle(r) + QStringLiteral("@quill.example"));
                 }));
        o.insert("town", Set("town", kTowns, rng, [](QJsonObject &e, std::mt19937 &r) {
                     e.insert("region", Num(r, 30));
                     e.insert("town_type", Num(r, 4));
                     e.insert("population", Num(r, 3000000));
                     e.insert("board_count", Num(r, 500));
                 }));
        o.insert("operator", Set("operator", kOperators, rng, [&](QJsonObject &e, std::mt19937 &r) {
                     state(e, r);
                     e.insert("board_count", Num(r, 900));
                     e.insert("price_kn", "1.15");
                     e.insert("price_type", r() % 2 ? "B" : "C");
                     e.insert("is_online", r() % 2 ? "Y" : "N");
                     e.insert("is_restricted", "N");
                     e.insert("price_mc", "1.2");
                     e.insert("price_ec", "150.50");
                     e.insert("price_mb", 1.3);
                     e.insert("price_eb", 170);
                 }));
        for (const char *name : {"region", "role", "firm", "stick", "stick_rcpt", "town_type", "req_type", "board_extra"})
            o.insert(QLatin1StringView(name), Set(name, kOthers, rng, state));
        o.insert("board_format", Set("board_format", kOthers, rng, [](QJsonObject &e, std::mt19937 &r) {
                     e.insert("board_count", Num(r, 900));
                     e.insert("description", MakeTitle(r));
                 }));
        o.insert("stick_rc", Set("stick_rc", kOthers, rng, [&](QJsonObject &e, std::mt19937 &r) {
                     state(e, r);
                     e.insert("is_default", r() % 10 ? "N" : "Y");
                 }));
        const auto doc = [&](QJsonObject &e, std::mt19937 &r) {
            state(e, r);
            e.insert("doc_type", r() % 2 ? "AGREEMENT" : "ACT");
            e.insert("fid", Num(r, 100000));
            e.insert("fhash", "0123456789abcdef0123456789abcdef");
            e.insert("updated", "2026-01-15 10:20:30");
            e.insert("ext", "docx");
        };
        o.insert("doc_template", Set("doc_template", kOthers, rng, doc));
        o.insert("mail_template", Set("mail_template", kOthers, rng, doc));
        QJsonArray users;
        for (const QJsonValue &k : Keys(kOthers, rng))
            users.append(QJsonObject{{"login", QStringLiteral("user") + k.toVariant().toString()},
                                     {"user_name", MakeTitle(rng)}, {"role", Num(rng, 10)}, {"state", "ENABLED"}});
        o.insert("user", users);
        return QJsonValue(o);
    }();
    return raw;
}

} // namespace
