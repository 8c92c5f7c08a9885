#include "addon001/platform/folder.h"

namespace platform {

namespace {
class RefusalCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "log set file"; }
    std::string message(int code) const override {
        switch (static_cast<FileRefusal>(code)) {
            case FileRefusal::linkInPlace:
                return "a symbolic link has taken the file's name";
            case FileRefusal::notAFile:
                return "something that is no regular file has taken the file's name";
        }
        return "refused";
    }
};

}  // namespace

const std::error_category& refusalCategory() {
    static const RefusalCategory category;
    return category;
}

std::error_code make_error_code(FileRefusal refusal) {
    return {static_cast<int>(refusal), refusalCategory()};
}

}  // namespace platform
