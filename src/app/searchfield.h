#pragma once

#include <QLineEdit>

#include <optional>

// The field above the sidebar that finds notes as the user types, or makes one. It only reads
// keys: Up and Down, Enter, Ctrl+Enter and Esc become requests the sidebar's owner acts on.
class SearchField : public QLineEdit
{
    Q_OBJECT
public:
    explicit SearchField(QWidget *parent = nullptr);
    // Tells assistive technology how many notes the query found; none while the field is blank.
    void setResultCount(std::optional<int> count);

Q_SIGNALS:
    void stepRequested(int rows); // Up is -1, Down +1
    void openRequested(); // Enter
    void createRequested(); // Ctrl+Enter
    void leaveRequested(); // Esc, after the field is cleared

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void describeClearButton();
};
