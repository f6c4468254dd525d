#pragma once

#include <string_view>

namespace norvik {

// What the language loader needs of the main dialog: setting a control's text by its id
// (control_ids.h). Multi-line texts separate their lines with a bare line feed.
class DialogTexts {
public:
    virtual ~DialogTexts() = default;
    virtual void SetControlText(int control_id, std::u16string_view text) = 0;
};

}  // namespace norvik
