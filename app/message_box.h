#pragma once

#include <QString>
#include <deque>
#include <vector>

class QWidget;

namespace norvik {

// Every modal message box of the window goes through here, so that tests can answer them
// instead of a person.
class MessageBox {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Icon { None, Question, Warning };
    enum class Answer { Ok, Cancel };

    struct Shown {
        QString caption;
        QString text;
        Buttons buttons;
        Icon icon;
    };

    // Shows the box and waits for the answer. A null owner makes it the application's.
    static Answer show(QWidget* owner, const QString& caption, const QString& text,
                       Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

    // For tests: from now on no box is shown; each is recorded and answered with the next
    // queued answer, or OK when none is queued.
    static void answerForTests();
    static void setNextAnswer(Answer answer);
    static std::vector<Shown> takeShown();

private:
    static bool answeringForTests_;
    static std::deque<Answer> nextAnswers_;
    static std::vector<Shown> shown_;
};

}  // namespace norvik
