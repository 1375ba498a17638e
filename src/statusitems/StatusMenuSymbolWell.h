#pragma once
#include <string>

#include "ui/View.h"

namespace tessivane {

// The 28-point symbol tile at the start of every status menu row.
class StatusMenuSymbolWell : public ui::View {
public:
    explicit StatusMenuSymbolWell(std::string systemName) : systemName_(std::move(systemName)) {}
    ui::Node body() override;

private:
    std::string systemName_;
};

}  // namespace tessivane
