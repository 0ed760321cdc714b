#pragma once

#include <array>
#include <span>
#include <string_view>

namespace tamsel::catalogue_data {

extern const std::array<std::u16string_view, 8> kExampleCategories;
extern const std::array<std::u16string_view, 5> kTechniqueCategories;
// Entries of each example list as the list shows them (folder 1 holds one repeated entry).
extern const std::array<std::span<const std::u16string_view>, 8> kExampleLists;
// Titles of each technique folder; title k is read from file k of its folder.
extern const std::array<std::span<const std::u16string_view>, 5> kTechniqueTitleTable;

} // namespace tamsel::catalogue_data
