#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tessivane {

// The symbols a vossel's icon can be chosen from: 64 symbols in 8 categories.
namespace IconPickerCatalog {

struct Category {
    std::string id;
    std::string title;
    std::vector<std::string> symbols;
    bool operator==(const Category&) const = default;
};

const std::vector<Category>& categories();

// The catalogue narrowed to a query: a category keeps the symbols whose names contain the
// query, or all of them when its title does (ignoring case); categories left empty are
// dropped. A blank query keeps everything.
std::vector<Category> filteredCategories(std::string_view query);

}  // namespace IconPickerCatalog

}  // namespace tessivane
