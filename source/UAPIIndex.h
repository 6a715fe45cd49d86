#pragma once

#include "UAPIDataFields.h"

#include <array>

// One T for every field type, indexed by the field type.
template <typename T>
class TDataFieldIndex {
public:
    T &operator[](TDataFieldType field) { return FItems[field]; }
    const T &operator[](TDataFieldType field) const { return FItems[field]; }

    static constexpr int Count() { return DataFieldTypeCount; }
    auto begin() { return FItems.begin(); }
    auto end() { return FItems.end(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    bool operator==(const TDataFieldIndex &) const = default;

private:
    std::array<T, DataFieldTypeCount> FItems{};
};

class TUAPIIndex {
public:
    // Sets every element of `index` to `value`.
    template <typename T>
    static void Fill(TDataFieldIndex<T> &index, const T &value)
    {
        for (T &item : index)
            item = value;
    }
};
