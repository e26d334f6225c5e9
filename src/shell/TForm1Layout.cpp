// The face of the main window: the optional rows, the disk area, the texts the
// refresh thread hands over, the clock panel and the processor name look-ups.

#include "ClockPanel.h"
#include "SensorQueries.h"
#include "TForm1.h"

#include <QLocale>

#include <algorithm>

namespace {

// The user's long time format, without the time zone that Qt's long format
// appends: its "t" letters outside quoted literal text are dropped.
QString LongTimeText(const QLocale& locale, const QTime& time)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (const QChar ch : format) {
        if (ch == QLatin1Char('\'')) quoted = !quoted;
        if (quoted || ch != QLatin1Char('t')) kept += ch;
    }
    return locale.toString(time, kept.trimmed());
}

std::chrono::year_month_day CalendarDate(const QDate& date)
{
    return std::chrono::year{date.year()} / std::chrono::month{static_cast<unsigned>(date.month())} /
           std::chrono::day{static_cast<unsigned>(date.day())};
}

QString SlotText(const TProgressData* slot, std::string TProgressData::*field)
{
    return slot ? QString::fromStdString(slot->*field) : QString();
}

} // namespace

namespace {

// Room left between two texts of one row.
constexpr int TextGap = 4;

// A row's value label (left) and its right-aligned captions share the room
// from `left` to `right`. The reading comes first: it is shown whole where
// the row can hold it, and the captions give way (cut with "…", whole in
// their tooltips). Only a reading longer than the whole row is cut, in its
// name: its number stays whole.
void FitRow(TAutoLabel* value, std::initializer_list<TAutoLabel*> captions, int left, int right)
{
    const int room = right - left - TextGap;
    value->KeepNumberWhole();
    const int valueRoom = std::min(value->CaptionWidth(), room);
    value->SetRoom(valueRoom);
    for (TAutoLabel* caption : captions) caption->SetRoom(std::max(0, room - valueRoom));
}

} // namespace

void TForm1::FitTexts()
{
    // The computer lines end before the clock picture; the date before the wait strip.
    const int clockLeft = Image8->x() - 4;
    for (TAutoLabel* line : {Label9, Label10, Label12}) line->SetRoom(clockLeft - line->x());
    const int topRight = PaintBox14->x() - 4;
    Label11->SetRoom(topRight - Label11->x());
    constexpr int LeftHalf = 308, RightHalf = 620;
    FitRow(Label1, {Label19}, Label1->x(), LeftHalf);
    FitRow(Label2, {Label18}, Label2->x(), RightHalf);
    FitRow(Label3, {Label25, Label23}, Label3->x(), LeftHalf);
    FitRow(Label4, {Label24, Label22}, Label4->x(), RightHalf);
    FitRow(Label7, {Label16, Label15}, Label7->x(), LeftHalf);
    FitRow(Label6, {Label14, Label13}, Label6->x(), RightHalf);
    FitRow(Label5, {Label17}, Label5->x(), LeftHalf);
    FitRow(Label27, {Label28}, Label27->x(), LeftHalf);
    FitRow(Label30, {Label29}, Label30->x(), RightHalf);
    FitRow(Label31, {Label33, Label32}, Label31->x(), RightHalf);
}

void TForm1::PlaceWeekLabel()
{
    constexpr int WeekGap = 8;
    // Beside the date where both fit whole, else on the line below the date:
    // a long date ("Thursday, December 10, 2026") leaves no room beside it.
    const int topRight = PaintBox14->x() - 4;
    const int beside = Label11->RightEdge() + WeekGap;
    if (beside + Label26->CaptionWidth() <= topRight)
        Label26->move(beside, WeekLabelTop);
    else
        Label26->move(Label11->x(), Label11->y() + Label11->height());
    Label26->SetRoom(topRight - Label26->x());
}

const TProgressData* TForm1::SlotOf(const TPaintBox* box) const { return FDiagData.Slot(box->Tag); }

void TForm1::SetClientHeight(int height)
{
    setFixedSize(FormClientWidth, height);
    BackImage->setGeometry(0, 0, FormClientWidth, height);
    for (auto& [element, distance] : FBottomAnchored) element->move(element->x(), height - distance);
}

bool TForm1::HasCustomMetric() const { return !MySetup.sidCustom1.empty() || !MySetup.sidCustom2.empty(); }

void TForm1::SetHasCustomMetric(bool value)
{
    SetClientHeight(height() + (value ? OptionalRowHeight : -OptionalRowHeight));
    for (QWidget* element : std::initializer_list<QWidget*>{PaintBox6, PaintBox7, Image10, Image11, Label27, Label28,
                                                            Label29, Label30})
        element->setVisible(value);
}

bool TForm1::HasCpuBarMetric() const { return MySetup.ShowCpuBars; }

void TForm1::SetHasCpuBarMetric(bool value)
{
    SetClientHeight(height() + (value ? OptionalRowHeight : -OptionalRowHeight));
    for (QWidget* element :
         std::initializer_list<QWidget*>{PaintBox8, PaintBox9, PaintBox13, Image12, Label31, Label32, Label33})
        element->setVisible(value);
}

void TForm1::ArrangeRows()
{
    DiskPaintBox1->Tag = MySetup.DiskDiagram ? 8 : 7;
    if (MySetup.DiskDiagram) {
        DiskPaintBox1->resize(DiskPaintBox1->width(), PaintBox10->height());
    } else {
        DiskPaintBox1->resize(DiskPaintBox1->width(), DiskPaintBox2->height());
        Label6->SetCaption(QStringLiteral("..."));
        Label14->SetCaption(QString());
    }
    for (TPaintBox* box : {DiskPaintBox2, DiskPaintBox3, DiskPaintBox4}) box->setVisible(!MySetup.DiskDiagram);
    if (HasCpuBarMetric()) {
        Label31->SetCaption(QStringLiteral("CPU: All Cores - CCD1 / CCD2"));
        Label32->SetCaption(PaintBox8->Hint);
    }
    FitTexts();
}

void TForm1::UpdateWmiGUI()
{
    // The clock turns with the hand-over, in the same turn of the event loop
    // and the same paint; its own tick comes only when a hand-over is late.
    ClockTick();
    if (Timer1->isActive()) Timer1->start(ClockStandInMs);
    using F = std::string TProgressData::*;
    const F display = &TProgressData::DisplayText;
    const F nameA = &TProgressData::NameA;
    const F nameB = &TProgressData::NameB;

    Label1->SetCaption(SlotText(SlotOf(PaintBox1), display));
    Label2->SetCaption(SlotText(SlotOf(PaintBox2), display));
    Label3->SetCaption(SlotText(SlotOf(PaintBox3), display));
    Label4->SetCaption(SlotText(SlotOf(PaintBox4), display));
    Label5->SetCaption(SlotText(SlotOf(PaintBox5), display));
    Label7->SetCaption(SlotText(SlotOf(PaintBox10), display));
    if (MySetup.DiskDiagram) {
        Label14->SetCaption(SlotText(SlotOf(DiskPaintBox1), nameA));
        Label13->SetCaption(SlotText(SlotOf(DiskPaintBox1), nameB));
        Label6->SetCaption(SlotText(SlotOf(DiskPaintBox1), display));
    } else {
        Label14->SetCaption(QString());
        Label13->SetCaption(SlotText(SlotOf(DiskPaintBox1), nameA));
        if (Label6->Caption() == QStringLiteral("...")) Label6->SetCaption(QStringLiteral("Disk Drives:"));
    }
    Label17->SetCaption(SlotText(SlotOf(PaintBox5), nameA));
    Label27->SetCaption(SlotText(SlotOf(PaintBox6), display));
    Label28->SetCaption(SlotText(SlotOf(PaintBox6), nameB));
    Label30->SetCaption(SlotText(SlotOf(PaintBox7), display));
    Label29->SetCaption(SlotText(SlotOf(PaintBox7), nameB));
    FitTexts();
    CheckAlerts();
    // A sleeping sound meter reads nothing: whether its recording still runs
    // is asked here, once a second, with no wake-up of its own.
    if (FChannel != 0 && !Timer4->isActive() && WindowShown() && Bass().ChannelIsActive(FChannel) != 1)
        SoundServerLost();
    StartGlide();
    // The labels are all set before the first redraw.
    for (TPaintBox* box : {PaintBox1, PaintBox3, PaintBox2, PaintBox4}) DrawDiagram(box, TDiagramMode::dmHistory);
    DrawDiagram(PaintBox5, TDiagramMode::dmHistoryOfTotal);
    DrawDiagram(PaintBox10, TDiagramMode::dmTwoHistories);
    if (MySetup.DiskDiagram) {
        DrawDiagram(DiskPaintBox1, TDiagramMode::dmTwoHistories);
    } else {
        for (TPaintBox* box : {DiskPaintBox1, DiskPaintBox2, DiskPaintBox3, DiskPaintBox4})
            DrawDiagram(box, TDiagramMode::dmBar);
    }
    if (HasCustomMetric())
        for (TPaintBox* box : {PaintBox6, PaintBox7}) DrawDiagram(box, TDiagramMode::dmHistory);
    if (HasCpuBarMetric())
        for (TPaintBox* box : {PaintBox8, PaintBox9}) DrawDiagram(box, TDiagramMode::dmCoreBars);
    WakeAnimation();
}

void TForm1::UpdateOsGUI(const std::string& s1, const std::string& s2, const std::string& s3)
{
    Label9->SetCaption(s1);
    Label10->SetCaption(s2);
    Label12->SetCaption(s3);
    FitTexts();
}

void TForm1::Timer1Timer()
{
    // No hand-over for a while (the refresh thread has ended or is late): the
    // clock ticks by itself every second.
    if (Timer1->interval() != 1000) Timer1->setInterval(1000);
    ClockTick();
}

void TForm1::ClockTick()
{
    const QLocale locale;
    const QDateTime now = FServices.Now();
    Label8->SetCaption(QStringLiteral("Time: %1").arg(LongTimeText(locale, now.time())));
    if (FDiagIndex % 10 != 1) return;
    Label11->SetCaption(locale.toString(now.date(), QLocale::LongFormat));
    const TIsoWeek week = IsoWeekOf(CalendarDate(now.date()));
    Label26->SetCaption(WeekText(FServices.NumberStyle, week));
    PlaceWeekLabel();
    PaintBox14->update();
}

std::string TForm1::SensorParentId(const std::string& id) const
{
    const TWbemObjects found =
        FWmiService->ExecQuery("SELECT * FROM Sensor WHERE Identifier = " + WqlQuote(id), "WQL", 32);
    return found.empty() ? std::string() : found.front().Text("Parent");
}

std::string TForm1::SensorHardwareName(const std::string& id) const
{
    if (id.empty()) return {};
    const std::string parent = SensorParentId(id);
    if (parent.empty()) return {};
    const TWbemObjects found =
        FWmiService->ExecQuery("SELECT * FROM Hardware WHERE Identifier = " + WqlQuote(parent), "WQL", 32);
    return found.empty() ? std::string() : found.front().Text("Name");
}
