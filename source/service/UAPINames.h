#pragma once

#include <QLatin1StringView>
#include <QStringView>

#include <array>
#include <cstdint>
#include <string_view>

// Wire-name lookup of the protocol's enumerations: FromName<TDataFieldType>(u"period_start").
// Each enumeration's unit specialises both forms.
template <typename E> E FromName(QStringView name);
template <typename E> E FromName(QLatin1StringView name);

// Open-addressing hash index over a fixed list of ASCII names, built at compile time, so a
// look-up costs one hash and usually one comparison. Find gives the index of the first name
// equal to the text, or 0 (the null value's position) when none is.
template <std::size_t N>
class TUAPINameIndex {
public:
    static constexpr std::size_t MaxNameLength = 32;

    constexpr explicit TUAPINameIndex(const std::string_view (&names)[N]) : FNames(names)
    {
        for (std::size_t i = 0; i < N; ++i) {
            const uint32_t h = HashOf(names[i]);
            FHashes[i] = h;
            std::size_t slot = h & (SlotCount - 1);
            bool duplicate = false;
            while (FSlots[slot] != 0) {
                if (names[FSlots[slot] - 1] == names[i]) {
                    duplicate = true; // the first of equal names wins
                    break;
                }
                slot = (slot + 1) & (SlotCount - 1);
            }
            if (!duplicate)
                FSlots[slot] = uint16_t(i + 1);
        }
    }

    int Find(QStringView text) const { return FindUnits(text.utf16(), text.size()); }
    int Find(QLatin1StringView text) const
    {
        return FindUnits(reinterpret_cast<const unsigned char *>(text.data()), text.size());
    }

private:
    static constexpr std::size_t SlotCountFor(std::size_t n)
    {
        std::size_t s = 16;
        while (s < 3 * n) // sparse enough that a miss ends after a probe or two
            s *= 2;
        return s;
    }
    static constexpr std::size_t SlotCount = SlotCountFor(N);
    static_assert(N < 0xFFFF, "slots hold 16-bit positions");

    static constexpr uint32_t Step(uint32_t h, uint32_t unit) { return (h ^ unit) * 16777619u; }
    static constexpr uint32_t HashOf(std::string_view s)
    {
        uint32_t h = 2166136261u;
        for (char c : s)
            h = Step(h, uint8_t(c));
        return h;
    }

    template <typename Unit>
    int FindUnits(const Unit *units, qsizetype size) const
    {
        if (size > qsizetype(MaxNameLength))
            return 0;
        uint32_t h = 2166136261u;
        for (qsizetype i = 0; i < size; ++i) {
            if (units[i] > 0x7F) // names are ASCII
                return 0;
            h = Step(h, uint32_t(units[i]));
        }
        for (std::size_t slot = h & (SlotCount - 1);; slot = (slot + 1) & (SlotCount - 1)) {
            const uint16_t entry = FSlots[slot];
            if (entry == 0)
                return 0;
            const std::size_t index = entry - 1;
            if (FHashes[index] == h && Equal(FNames[index], units, size))
                return int(index);
        }
    }

    template <typename Unit>
    static bool Equal(std::string_view name, const Unit *units, qsizetype size)
    {
        if (qsizetype(name.size()) != size)
            return false;
        for (qsizetype i = 0; i < size; ++i)
            if (uint8_t(name[i]) != units[i])
                return false;
        return true;
    }

    const std::string_view *FNames;
    std::array<uint32_t, N> FHashes{};
    std::array<uint16_t, SlotCount> FSlots{};
};
