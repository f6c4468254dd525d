#include "message_box.h"

#include <QMessageBox>

namespace norvik {

bool MessageBox::answering_for_tests_ = false;
std::deque<MessageBox::Answer> MessageBox::next_answers_;
std::vector<MessageBox::Shown> MessageBox::shown_;

MessageBox::Answer MessageBox::Show(QWidget* owner, const QString& caption, const QString& text,
                                    Buttons buttons, Icon icon) {
    if (answering_for_tests_) {
        shown_.push_back({caption, text, buttons, icon});
        if (next_answers_.empty()) {
            return Answer::kOk;
        }
        const Answer answer = next_answers_.front();
        next_answers_.pop_front();
        return answer;
    }
    QMessageBox box(
        icon == Icon::kQuestion  ? QMessageBox::Question
        : icon == Icon::kWarning ? QMessageBox::Warning
                                 : QMessageBox::NoIcon,
        caption, text,
        buttons == Buttons::kOkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
        owner);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Answer::kOk : Answer::kCancel;
}

void MessageBox::AnswerForTests() {
    answering_for_tests_ = true;
}

void MessageBox::SetNextAnswer(Answer answer) {
    next_answers_.push_back(answer);
}

std::vector<MessageBox::Shown> MessageBox::TakeShown() {
    return std::exchange(shown_, {});
}

}  // namespace norvik
