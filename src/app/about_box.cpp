#include "app/about_box.h"

#include "framework/pictures.h"
#include "ui_about_box.h"

namespace kelvane {

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::TAboutBox>())
{
    m_ui->setupUi(this);
    setFixedSize(485, 437);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    m_ui->Image1->setPixmap(renderPicture(QStringLiteral(":/about"), m_ui->Image1->size()));
    m_ui->Image1->lower();
    m_ui->Memo1->setPlainText(aboutText());
}

TAboutBox::~TAboutBox() = default;

QString TAboutBox::aboutText()
{
    // The rules and the list of models are the same in every language; each paragraph keeps the
    // line breaks of its language.
    const QString rule
        = QStringLiteral("------------------------------------------------------------");
    const QStringList lines = {
        QStringLiteral("Kelvane for Windows"),
        QString(),
        tr("Платформа:           Win32/ WinE Supported"),
        QString(),
        rule,
        tr("Основное    предназначение   -   работа с жесткими дисковыми\n"
           "накопителями фирмы Seagate"),
        rule,
        tr("Поддерживаемые модели:"),
        QStringLiteral("ST3402111A, ST3802110A, ST3120814A, ST3120213A, ST3160812A, \n"
                       "ST3160212A, ST3200827A, ST3250824A, ST3300622A,  ST3400633A, \n"
                       "ST3500641A;      ST3808110AS,       ST3120813AS,       ST3160812AS, \n"
                       "ST3200827AS,    ST3250824AS,       ST3300622AS,       ST3400633AS, \n"
                       "ST3500641AS."),
        rule,
        QString(),
        tr("© 2026 Разработчики Kelvane. Все права защищены."),
        QString(),
        tr("Kelvane — сервисный терминал для накопителей с диагностическим\n"
           "последовательным портом. Его делает небольшая группа инженеров,\n"
           "которые сами восстанавливают накопители и пишут инструменты,\n"
           "нужные им в работе."),
        QString(),
        tr("Программа предоставляется «как есть», без каких-либо гарантий.\n"
           "Команды диагностического монитора могут необратимо изменить\n"
           "служебную информацию накопителя. Авторы не отвечают за потерю\n"
           "данных или повреждение оборудования; все действия вы выполняете\n"
           "на свой страх и риск."),
        QString(),
        tr("Вопросы и сообщения об ошибках: support@kelvane.example"),
    };
    return lines.join(QLatin1Char('\n'));
}

} // namespace kelvane
