#include <re2/re2.h>

#include "addon001/log/reader/log_record_filter.h"

namespace logreading {

namespace {
class Re2Pattern : public TextPattern {
public:
    Re2Pattern(const std::string& expression, const RE2::Options& options)
        : engine_(expression, options) {}
    bool foundIn(std::string_view text) const override {
        return RE2::PartialMatch(re2::StringPiece(text.data(), text.size()), engine_);
    }
    const RE2& engine() const { return engine_; }

private:
    RE2 engine_;
};
}  // namespace

std::shared_ptr<const TextPattern> TextPattern::compile(const std::string& expression,
                                                        std::string& problem) {
    RE2::Options options;
    options.set_log_errors(false);  // the caller reports the problem, on one line
    auto pattern = std::make_shared<Re2Pattern>(expression, options);
    if (!pattern->engine().ok()) {
        problem = pattern->engine().error();
        return nullptr;
    }
    return pattern;
}

}  // namespace logreading
