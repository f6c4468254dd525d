#pragma once

#include <QString>

namespace norvik {

// What the language loader needs of the main dialog: setting a control's text by its id
// (control_ids.h). Multi-line texts separate their lines with a bare line feed.
class DialogTexts {
public:
    virtual ~DialogTexts() = default;
    virtual void SetControlText(int control_id, const QString& text) = 0;
};

}  // namespace norvik
