#pragma once

#include <QString>
#include <deque>
#include <vector>

class QWidget;

namespace norvik {

// Every modal message box of the program goes through here, so that tests can answer them
// instead of a person.
class MessageBox {
public:
    enum class Buttons { kOk, kOkCancel };
    enum class Icon { kNone, kQuestion, kWarning };
    enum class Answer { kOk, kCancel };

    struct Shown {
        QString caption;
        QString text;
        Buttons buttons;
        Icon icon;
    };

    // Shows the box and waits for the answer. A null owner makes it the application's.
    static Answer Show(QWidget* owner, const QString& caption, const QString& text,
                       Buttons buttons = Buttons::kOk, Icon icon = Icon::kNone);

    // For tests: from now on no box is shown; each is recorded and answered with the next
    // queued answer, or OK when none is queued.
    static void AnswerForTests();
    static void SetNextAnswer(Answer answer);
    static std::vector<Shown> TakeShown();

private:
    static bool answering_for_tests_;
    static std::deque<Answer> next_answers_;
    static std::vector<Shown> shown_;
};

}  // namespace norvik
