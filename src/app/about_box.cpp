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
    static const char *const Lines[] = {
        "Kelvane for Windows",
        "",
        "Платформа:           Win32/ WinE Supported",
        "",
        "------------------------------------------------------------",
        "Основное    предназначение   -   работа с жесткими дисковыми",
        "накопителями фирмы Seagate",
        "------------------------------------------------------------",
        "Поддерживаемые модели:",
        "ST3402111A, ST3802110A, ST3120814A, ST3120213A, ST3160812A, ",
        "ST3160212A, ST3200827A, ST3250824A, ST3300622A,  ST3400633A, ",
        "ST3500641A;      ST3808110AS,       ST3120813AS,       ST3160812AS, ",
        "ST3200827AS,    ST3250824AS,       ST3300622AS,       ST3400633AS, ",
        "ST3500641AS.",
        "------------------------------------------------------------",
        "",
        "© 2026 Разработчики Kelvane. Все права защищены.",
        "",
        "Kelvane — сервисный терминал для накопителей с диагностическим",
        "последовательным портом. Его делает небольшая группа инженеров,",
        "которые сами восстанавливают накопители и пишут инструменты,",
        "нужные им в работе.",
        "",
        "Программа предоставляется «как есть», без каких-либо гарантий.",
        "Команды диагностического монитора могут необратимо изменить",
        "служебную информацию накопителя. Авторы не отвечают за потерю",
        "данных или повреждение оборудования; все действия вы выполняете",
        "на свой страх и риск.",
        "",
        "Вопросы и сообщения об ошибках: support@kelvane.example",
    };
    QStringList text;
    for (const char *line : Lines)
        text << QString::fromUtf8(line);
    return text.join(QLatin1Char('\n'));
}

} // namespace kelvane
