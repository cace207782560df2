#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_fileNameText_returnPressed();
    void on_execButton_clicked();
    void on_commandText_returnPressed();
    void on_applyButton_clicked();
    void on_actionJTAG_UART_triggered();
    void on_browseButton_clicked();

private:
    Ui::MainWindow *ui;
};

#endif // MAINWINDOW_H
