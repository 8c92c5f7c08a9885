#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

namespace apps {

// CLI11's help text, laid out as help2man and manual-page readers expect: an option's names as
// a list ("-h, --help", not "-h,--help") and its value by name alone ("SECONDS", not
// "SECONDS:POSITIVE Needs: --check"); each description says what the value must be and which
// options it goes with.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        std::string names = CLI::Formatter::make_option_name(option, positional);
        for (std::size_t comma = names.find(','); comma != std::string::npos;
             comma = names.find(',', comma + 2)) {
            names.insert(comma + 1, " ");
        }
        return names;
    }

    std::string make_option_opts(const CLI::Option* option) const override {
        const bool positionalOnly = option->get_lnames().empty() && option->get_snames().empty();
        if (option->get_type_size() == 0 || positionalOnly) return {};
        const std::string type = option->get_type_name();
        std::string value = " " + type.substr(0, type.find(':'));
        if (option->get_expected_max() == CLI::detail::expected_max_vector_size) value += " ...";
        return value;
    }
};

inline void useHelpFormatter(CLI::App& app) {
    app.formatter(std::make_shared<HelpFormatter>());
}

}  // namespace apps
