#include "message_box.h"

#include <QMessageBox>

namespace norvik {

bool MessageBox::answeringForTests_ = false;
std::deque<MessageBox::Answer> MessageBox::nextAnswers_;
std::vector<MessageBox::Shown> MessageBox::shown_;

MessageBox::Answer MessageBox::show(QWidget* owner, const QString& caption, const QString& text,
                                    Buttons buttons, Icon icon) {
    if (answeringForTests_) {
        shown_.push_back({caption, text, buttons, icon});
        if (nextAnswers_.empty()) {
            return Answer::Ok;
        }
        const Answer answer = nextAnswers_.front();
        nextAnswers_.pop_front();
        return answer;
    }
    QMessageBox box(icon == Icon::Question  ? QMessageBox::Question
                    : icon == Icon::Warning ? QMessageBox::Warning
                                            : QMessageBox::NoIcon,
                    caption, text,
                    buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                 : QMessageBox::Ok,
                    owner);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

void MessageBox::answerForTests() {
    answeringForTests_ = true;
}

void MessageBox::setNextAnswer(Answer answer) {
    nextAnswers_.push_back(answer);
}

std::vector<MessageBox::Shown> MessageBox::takeShown() {
    return std::exchange(shown_, {});
}

}  // namespace norvik
