#include "viewer/leggi.h"

#include "viewer/searchsql.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>

#include "core/captions.h"
#include "core/config.h"
#include "core/notifier.h"
#include "core/programfiles.h"
#include "core/session.h"
#include "model/resultfields.h"
#include "model/resultselection.h"
#include "model/resultstore.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "platform/keyfilter.h"
#include "platform/prompts.h"
#include "platform/refusal.h"
#include "viewer/resultprint.h"

namespace zv {

namespace {

const QString kSection = QStringLiteral("leggi");

void setBoxColour(QLineEdit* box, const QColor& colour) {
    QPalette p = box->palette();
    p.setColor(QPalette::Text, colour);
    box->setPalette(p);
}

QColor colourOf(RangeColour c) {
    switch (c) {
    case RangeColour::Blue: return QColor(0, 0, 255);
    case RangeColour::Red: return QColor(255, 0, 0);
    case RangeColour::Black: break;
    }
    return QColor(0, 0, 0);
}

// A flag as the alarm labels read it: its value as a 16-bit whole number;
// empty or unreadable is 0.
int16_t flagValue(const OptionalText& stored) {
    int16_t value = 0;
    if (stored && !ignoring([&] { value = toInt16(*stored, QLatin1Char('.')); }))
        value = 0;
    return value;
}

int16_t flagValue(const std::optional<int>& stored) {
    if (!stored || *stored < INT16_MIN || *stored > INT16_MAX)
        return 0;
    return int16_t(*stored);
}

// The key of an Enter press, main keyboard or keypad.
bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

leggi::leggi() : Form(QString(kName)) {
    setupUi(this);
    finishForm();
    bindGroups();
    wire();
}

leggi::~leggi() = default;

void leggi::finishForm() {
    for (const auto& [chart, kind] : charts())
        chart->setSeriesColour(chartColour(kind));
    Picture1->canvas().fill(Qt::white);
    Picture2->canvas().fill(Qt::white);
    // The interference alarm in the colour of button captions.
    Label51->setForeColor(palette().color(QPalette::ButtonText));
    // The step captions a fifth smaller than the window's font.
    for (Label* step : {Label60, Label61, Label62, Label63}) {
        QFont small = step->font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        step->setFont(small);
    }
}

void leggi::bindGroups() {
    const std::pair<ValueGroup, FieldBinder*> binders[] = {
        {ValueGroup::Red, &red_}, {ValueGroup::Platelets, &plt_}, {ValueGroup::White, &wbc_}};
    for (const ParameterControls& c : parameterControls())
        for (const auto& [group, binder] : binders)
            if (c.group == group)
                binder->bind(c.edit, parameterInfo(c.parameter).field, FieldKind::Number);
}

void leggi::wire() {
    connect(Command1, &QPushButton::clicked, this, [this] { guard([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guard([this] { Command2_Click(); }); });
    connect(Command3, &QPushButton::clicked, this, [this] { guard([this] { Command3_Click(); }); });
    connect(Command4, &QPushButton::clicked, this, [this] { guard([this] { Command4_Click(); }); });
    connect(Command12, &QPushButton::clicked, this, [this] { guard([this] { Command12_Click(); }); });
    connect(Command16, &QPushButton::clicked, this, [this] { guard([this] { Command16_Click(); }); });
    connect(Command13, &QPushButton::clicked, this, [this] { guard([this] { Command13_Click(); }); });
    connect(MSChart3, &HistogramChart::clicked, this, [this] { guard([this] { MSChart3_Click(); }); });
    connect(MSChart4, &HistogramChart::clicked, this, [this] { guard([this] { MSChart4_Click(); }); });
    connect(&notifier(), &Notifier::resultStored, this, [this] { Command16->show(); });
    connect(Command15, &QPushButton::clicked, this, [this] { guard([this] { Command15_Click(); }); });
    connect(Command11, &QPushButton::clicked, this, [this] { guard([this] { Command11_Click(); }); });
    connect(Command14, &QPushButton::clicked, this, [this] { guard([this] { Command14_Click(); }); });
    connect(Command5, &QPushButton::clicked, this, [this] { guard([this] { Command5_Click(); }); });
    connect(Command6, &QPushButton::clicked, this, [this] { guard([this] { Command6_Click(); }); });
    connect(Command8, &QPushButton::clicked, this, [this] { guard([this] { Command8_Click(); }); });
    connect(Command7, &QPushButton::clicked, this, [this] { guard([this] { Command7_Click(); }); });
    connect(Command9, &QPushButton::clicked, this, [this] { guard([this] { Command9_Click(); }); });
    connect(Command10, &QPushButton::clicked, this, [this] { guard([this] { Command10_Click(); }); });
    connect(Image1, &Label::clicked, this, [this] { guard([this] { Image1_Click(); }); });
    connect(Image2, &Label::clicked, this, [this] { guard([this] { Image2_Click(); }); });
    for (QLineEdit* box : {Text18, Text20, Text25, Text10, Text1, Text16, Text14, Text17})
        box->installEventFilter(this);
    // What the value boxes leave is checked at the save.
    auto* valueFilter = new CharacterFilter(
        this,
        [this](QChar typed) {
            const char16_t code = typed.unicode();
            return code == 188 || (separatorCode_ != 0 && code == char16_t(separatorCode_)) ||
                   (code >= u'0' && code <= u'9');
        },
        [this] { return QChar(char16_t(separatorCode_)); });
    for (QLineEdit* box : valueBoxes())
        valueFilter->watch(box);
}

std::vector<QLineEdit*> leggi::valueBoxes() const {
    // The band box takes any key; what every box holds is checked at the save.
    std::vector<QLineEdit*> boxes;
    for (const ParameterControls& c : parameterControls())
        if (c.edit && c.parameter != ResultParameter::bandati)
            boxes.push_back(c.edit);
    return boxes;
}

std::vector<QLineEdit*> leggi::groupBoxes(ValueGroup group) const {
    std::vector<QLineEdit*> boxes;
    for (const ParameterControls& c : parameterControls())
        if (c.group == group)
            boxes.push_back(c.edit);
    return boxes;
}

std::vector<Label*> leggi::differentialRanges() const {
    std::vector<Label*> ranges;
    for (const ParameterControls& c : parameterControls())
        if (c.count)
            ranges.push_back(c.range);
    return ranges;
}

bool leggi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto& keyEvent = *static_cast<QKeyEvent*>(event);
        const int key = keyEvent.key();
        if (isEnter(key)) {
            if (watched == Text10)
                guard([this] { patientEnter(Text10, QStringLiteral("SpecId"), Text1); });
            else if (watched == Text1)
                guard([this] { patientEnter(Text1, QStringLiteral("SpecName"), Text18); });
            else if (watched == Text16)
                guard([this] { patientEnter(Text16, QStringLiteral("sesso"), Text14); });
            else if (watched == Text14)
                guard([this] { patientEnter(Text14, QStringLiteral("DdN"), Command1); });
            else if (watched == Text17)
                guard([this] { patientEnter(Text17, QStringLiteral("note"), Text17); });
        }
        if (watched == Text18)
            guard([this, key] { Text18_KeyPress(key); });
        else if (watched == Text20)
            guard([this, key] { Text20_KeyPress(key); });
        else if (watched == Text25)
            guard([this, key] { Text25_KeyPress(key); });
    }
    // Every key reaches its box.
    return Form::eventFilter(watched, event);
}

void leggi::loadCaptions() {
    const QString lingua = Session::get().linguax;
    msg1_ = caption(lingua, kSection, QStringLiteral("msg1"));
    applyCaptions(this, lingua, kSection,
                  {{"", "titolo"},         {"Text9", "text9"},     {"Text8", "text8"},     {"Text23", "text23"},
                   {"Text13", "text13"},   {"Text21", "text21"},   {"Label45", "label45"}, {"Label46", "label46"},
                   {"Label47", "label47"}, {"Label48", "label48"}, {"Label51", "label51"}, {"Label49", "label49"},
                   {"Label50", "label50"}, {"Label53", "label53"}, {"Label58", "label58"}, {"Label64", "label64"},
                   {"Label69", "label69"}, {"Label59", "label59"}, {"Label60", "label60"}, {"Label61", "label61"},
                   {"Label62", "label62"}, {"Label63", "label63"}, {"Label96", "label96"}, {"Label101", "label101"},
                   {"Label65", "label65"}, {"Label52", "label52"}, {"Label66", "label66"}, {"Label67", "label67"},
                   {"Check1", "chk1"},     {"Command9", "cmd9"},   {"Command8", "cmd8"},   {"Command10", "cmd10"},
                   {"Command6", "cmd6"},   {"Command15", "cmd15"}, {"Command11", "cmd11"}, {"Command14", "cmd14"},
                   {"Command5", "cmd5"}});
    msg2_ = caption(lingua, kSection, QStringLiteral("msg2"));
    msg3_ = caption(lingua, kSection, QStringLiteral("msg3"));
    // The caption boxes are boxes: their text is their caption.
    const std::pair<QLineEdit*, const char*> boxes[] = {
        {Text9, "text9"}, {Text8, "text8"}, {Text23, "text23"}, {Text13, "text13"}, {Text21, "text21"}};
    for (const auto& [box, key] : boxes)
        box->setText(caption(lingua, kSection, QLatin1String(key)));
}

void leggi::Form_Load() {
    Session& s = Session::get();
    s.statoformleggi = true;
    emit notifier().windowOpened(formName(), true);
    decimal_ = configuredDecimalMark();
    ignoring([&] {
        const QString mark = leggiini(QStringLiteral("separatore"), QStringLiteral("decimale"), file::generalIni, 8);
        if (mark == QLatin1String("."))
            separatorCode_ = 46;
        else if (mark == QLatin1String(","))
            separatorCode_ = 44;
    });
    const std::pair<QWidget*, const char*> pictures[] = {
        {Command1, "avanti.gif"}, {Command2, "indietro.gif"}, {Command3, "inizio.gif"},  {Command4, "fine.gif"},
        {Command12, "goto2.gif"}, {Command16, "refresh.gif"}, {Command13, "printer.ico"}};
    for (const auto& entry : pictures)
        ignoring([&, button = entry.first, file = entry.second] {
            const QIcon icon(programFolder() + QStringLiteral("/immagini/") + QLatin1String(file));
            if (!icon.availableSizes().isEmpty())
                static_cast<QPushButton*>(button)->setIcon(icon);
        });
    ignoring([&] { loadCaptions(); });
    Command16->hide();

    red_.setDecimalMark(decimal_);
    plt_.setDecimalMark(decimal_);
    wbc_.setDecimalMark(decimal_);
    ignoring([&] {
        const QIcon search(programFolder() + QStringLiteral("/immagini/search.ico"));
        if (!search.availableSizes().isEmpty())
            for (Label* image : {Image1, Image2})
                image->setPixmap(search.pixmap(18, 18));
    });

    // The source, chosen once for as long as the window stays open (a search
    // handed over later replaces it: reloadSearch).
    searchMode_ = s.leggiOricerca != 0;
    int64_t count = 0;
    const bool found = openSource(rs_, count);
    if (searchMode_)
        applySearchLook();
    if (!found) {
        closeEmpty();
        return;
    }
    Text24->setText(QString::number(count));
    ignoring([&] { rs_.moveFirst(); });
    display();
    s.leggiOricerca = 0;
}

bool leggi::openSource(Recordset& rs, int64_t& count) const {
    Session& s = Session::get();
    const bool opened = ignoring([&] {
        if (searchMode_) {
            rs.open(s.cntot, s.queryricerca);
        } else if (s.dbtotal) {
            const Selection day = daySelection(s.workDate());
            rs.open(s.cntot, selectionQuery(day), day.params);
        } else {
            rs.open(s.cn, QStringLiteral("select * from datiQgrafici order by ID1"));
        }
    });
    count = 0;
    return opened && ignoring([&] { count = rs.recordCount(); }) && count > 0;
}

void leggi::applySearchLook() {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 255, 192));
    setPalette(p);
    for (QPushButton* button : {Command6, Command15, Command14})
        button->hide();
    for (QLineEdit* box : {Text10, Text1, Text18, Text16, Text14, Text17})
        box->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{Image1, Image2, Check1})
        w->hide();
}

void leggi::reloadSearch() {
    Session& s = Session::get();
    const bool wasSearch = searchMode_;
    searchMode_ = true;
    Recordset found;
    int64_t count = 0;
    const bool any = openSource(found, count);
    s.leggiOricerca = 0;
    if (!any) {
        // Nothing found: the rows shown stay, and so does the way they are shown.
        searchMode_ = wasSearch;
        msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
        return;
    }
    closeGroups();
    // A white-cell chart clicked away before the search comes back, as at a load.
    for (const auto& entry : charts())
        entry.first->show();
    rs_ = std::move(found);
    applySearchLook();
    Command16->hide();
    Text24->setText(QString::number(count));
    ignoring([&] { rs_.moveFirst(); });
    display();
}

void leggi::closeGroups() {
    for (const ParameterControls& c : parameterControls())
        if (c.edit)
            c.edit->hide();
    for (QPushButton* b : {Command11, Command5, Command8, Command7, Command10})
        b->hide();
    for (QPushButton* b : {Command15, Command14, Command6, Command9})
        b->show();
    redOpen_ = pltOpen_ = wbcOpen_ = false;
    if (countsShown_) {
        nascondi_val();
        for (Label* range : differentialRanges())
            range->show();
        countsShown_ = false;
    }
    updateNavigation();
}

void leggi::closeEmpty() {
    msgBox(msg1_, MsgButtons::OK, MsgIcon::Information, appTitle());
    if (Session* s = Session::current())
        s->leggiOricerca = 0;
    Forms::unload(formName());
}

void leggi::Form_Unload(bool&) {
    rs_.close();
    rangeSet_.reset();
    emit notifier().windowOpened(formName(), false);
    if (Session* s = Session::current())
        s->statoformleggi = false;
}

void leggi::nascondi_alrm() {
    for (Label* label : {Label65, Label45, Label46, Label47, Label48, Label49, Label50, Label51, Label52, Label53,
                         Label58, Label66, Label67})
        label->hide();
}

void leggi::nascondi_val() {
    for (Label* label :
         {Label32, Label33, Label34, Label35, Label36, Label37, Label38, Label39, Label40, Label41, Label105, Label106})
        label->hide();
}

void leggi::populate() {
    nascondi_alrm();
    nascondi_val();
    // A result that cannot be read shows as an empty one: nothing of the
    // result shown before may stay on the window.
    ResultRecord r;
    ignoring([&] { r = readResult(rs_); });
    auto text = [](const OptionalText& t) { return t.value_or(QString()); };
    auto number = [this](const std::optional<double>& v) { return v ? numberText(*v, decimal_) : QString(); };
    using P = ResultParameter;
    Text1->setText(text(r.specName));
    Text22->setText(text(r.date));
    QString position;
    ignoring([&] { position = QString::number(rs_.absolutePosition()); });
    Text20->setText(position);
    for (const ParameterControls& c : parameterControls())
        if (c.value)
            c.value->setText(number(r.value(c.parameter)));
    Text10->setText(text(r.specId));
    Text12->setText(text(r.seq));
    Text17->setText(text(r.note));
    Text18->setText(r.Limits ? QString::number(*r.Limits) : QString());
    Text25->setText(number(r.value(P::ret)));
    const auto& rbc = r.value(P::RBC);
    const auto& ret = r.value(P::ret);
    Label94->setText(rbc && ret ? numberText(roundHalfEven(*rbc * *ret / 100, 2), decimal_) : QString());
    Text14->setText(text(r.DdN));
    Text16->setText(text(r.sesso));

    const AlarmFlags& f = r.flags;
    const int16_t samplerror = flagValue(f.SamplError), band = flagValue(f.Band), ig = flagValue(f.IG),
                  varlym = flagValue(f.VarLym), blast = flagValue(f.Blast), nrbc = flagValue(f.NRBC),
                  rrbc = flagValue(f.RRBC), dflt = flagValue(f.DFLT), uri = flagValue(f.URI), lri = flagValue(f.LRI),
                  nwbc = flagValue(f.NWBC), wicerror = flagValue(f.WicError), rbcerror = flagValue(f.RbcError);
    Label65->setVisible(samplerror == 1 || wicerror == 1 || rbcerror == 1);
    Label52->setVisible(samplerror == 1);
    Label45->setVisible(band == 1);
    Label46->setVisible(ig == 1);
    Label48->setVisible(varlym == 1);
    Label47->setVisible(blast == 1);
    Label49->setVisible(nrbc == 1);
    Label50->setVisible(rrbc == 1);
    Label51->setVisible(dflt == 1);
    Label53->setVisible((uri | lri) == 1);
    Label58->setVisible(nwbc == 1);
    Label67->setVisible(wicerror == 1 || wicerror == 2);
    Label66->setVisible(rbcerror == 1 || rbcerror == 2);

    showCharts(r);
    drawScattergram(r);
}

void leggi::showCharts(const ResultRecord& r) {
    for (const auto& [chart, kind] : charts()) {
        const Histogram& h = r.histogram(kind);
        // Channel 002 is stored but never shown: bar 1 is channel 006.
        for (int bar = 0; bar < kChartBars; ++bar)
            chart->setBar(bar, h.channels[std::size_t(bar + 1)]);
    }
}

void leggi::drawScattergram(const ResultRecord& r) {
    const scatter::Input in = scatter::inputOf(r);

    const QColor windowText = palette().color(QPalette::WindowText);
    {
        QImage& canvas = Picture2->canvas();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        // The template's pen is left on the last name's colour, which the
        // next frame takes.
        scatter::drawTemplate(painter, QRectF(canvas.rect()), templateDrawn_ ? QColor(255, 0, 255) : windowText);
        templateDrawn_ = true;
    }
    {
        QImage& canvas = Picture1->canvas();
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        scatter::drawFrame(painter, QRectF(canvas.rect()), windowText);
        dotDraws_.clear();
        scatter::drawDots(painter, QRectF(canvas.rect()), in, [this] {
            const double r = clock::rnd();
            dotDraws_.push_back(r);
            return r;
        });
    }
    Picture1->update();
    Picture2->update();
}

void leggi::verifica_limiti() {
    const auto controls = parameterControls();
    for (const ParameterControls& c : controls) {
        if (!c.range)
            continue;
        c.range->clear();
        if (c.value)
            c.value->setForeColor(Qt::black);
    }
    setBoxColour(Text25, Qt::black);
    Text19->clear();
    rangeSet_.reset();

    const ResultRecord r = readResult(rs_);
    rangeSet_ = findRangeSet(Session::get().cnlimit, r.Limits, Text10->text(), Text1->text(), decimal_);
    if (!rangeSet_)
        return;
    Text19->setText(rangeSet_->valori);
    for (const ParameterControls& c : controls) {
        if (!c.range)
            continue;
        const RangeLimits& limits = rangeSet_->of(c.parameter);
        c.range->setText(rangeText(limits, decimal_));
        const QColor colour = colourOf(judge(r.value(c.parameter), limits));
        if (c.value)
            c.value->setForeColor(colour);
        else
            setBoxColour(Text25, colour);
    }
}

std::array<leggi::ParameterControls, kParameterCount> leggi::parameterControls() const {
    using P = ResultParameter;
    using G = ValueGroup;
    // The differential first: the white group's boxes are checked in this order.
    return {{
        {P::neu, Label27, Label80, Text2, G::White, Label38},
        {P::lym, Label28, Label81, Text3, G::White, Label33},
        {P::mono, Label29, Label82, Text4, G::White, Label39},
        {P::eos, Label30, Label83, Text5, G::White, Label40},
        {P::baso, Label31, Label84, Text6, G::White, Label41},
        {P::WBC, Label11, Label79, Text7, G::White},
        {P::bandati, Label103, Label104, Text35, G::White, Label106},
        {P::RBC, Label13, Label56, Text28, G::Red},
        {P::HGB, Label12, Label71, Text29, G::Red},
        {P::HCT, Label8, Label72, Text30, G::Red},
        {P::MCV, Label14, Label73, Text31, G::Red},
        {P::MCH, Label9, Label74, Text32, G::Red},
        {P::MCHC, Label25, Label75, Text33, G::Red},
        {P::RDW, Label26, Label76, Text34, G::Red},
        {P::ret, nullptr, Label95},
        {P::PLT, Label15, Label77, Text26, G::Platelets},
        {P::MPV, Label16, Label78, Text27, G::Platelets},
        {P::PCT, Label54, nullptr},
        {P::PDW, Label55, nullptr},
    }};
}

std::array<std::pair<HistogramChart*, HistogramKind>, 4> leggi::charts() const {
    return {{{MSChart1, HistogramKind::PLT},
             {MSChart2, HistogramKind::RBC},
             {MSChart3, HistogramKind::WB2},
             {MSChart4, HistogramKind::WB1}}};
}

void leggi::display() {
    populate();
    verifica_limiti();
}

void leggi::focusSampleId() {
    if (!Text10->isEnabled())
        return;
    Text10->setFocus();
    Text10->setCursorPosition(int(Text10->text().size()));
}

void leggi::Command1_Click() {
    if (navigationLocked())
        return;
    moveNextOrBeep(rs_);
    display();
    focusSampleId();
}

void leggi::Command2_Click() {
    if (navigationLocked())
        return;
    movePreviousOrBeep(rs_);
    display();
    focusSampleId();
}

void leggi::Command3_Click() {
    if (navigationLocked())
        return;
    rs_.moveFirst();
    display();
    focusSampleId();
}

void leggi::Command4_Click() {
    if (navigationLocked())
        return;
    rs_.moveLast();
    display();
    focusSampleId();
}

std::optional<int64_t> leggi::typedPosition() const {
    int64_t n = 0;
    // A whole number, no decimals: "2.5" names no result.
    bool ok = false;
    n = Text20->text().trimmed().toLongLong(&ok);
    if (!ok || n < 1 || n > rs_.recordCount())
        return std::nullopt;
    return n;
}

void leggi::goTo(int64_t position) {
    rs_.setAbsolutePosition(position);
    display();
}

void leggi::Command12_Click() {
    if (navigationLocked())
        return;
    if (const auto n = typedPosition())
        goTo(*n);
}

void leggi::Text20_KeyPress(int key) {
    if (isEnter(key) && !navigationLocked())
        Command12_Click();
}

void leggi::Command16_Click() {
    if (navigationLocked())
        return;
    bool ok = false;
    const int64_t p = Text20->text().trimmed().toLongLong(&ok);
    if (!ok || p < 1) {
        refuseBox(Text20, msg3_ + QStringLiteral(" \"") + Text20->text() + QLatin1Char('"'));
        return;
    }
    rs_.requery();
    const int64_t count = rs_.recordCount();
    Text24->setText(QString::number(count));
    Command16->hide();
    if (count == 0) {
        closeEmpty();
        return;
    }
    rs_.setAbsolutePosition(std::min(p, count));
    display();
}

void leggi::Command13_Click() { parstampa(); }

void leggi::parstampa() {
    if (rs_.bof() || rs_.eof())
        return;
    // The six pictures are drawings, so the page draws them at the printer's
    // resolution; the dots replay the draws of the screen, so the page shows
    // the same cloud. Nothing goes through the user's clipboard.
    printShownResult(readResult(rs_), rangeSet_ ? rangeSet_->row : LimitsRow(), dotDraws_,
                     palette().color(QPalette::WindowText));
}

void leggi::MSChart3_Click() {
    MSChart3->hide();
    MSChart4->show();
}

void leggi::MSChart4_Click() {
    MSChart4->hide();
    MSChart3->show();
}

void leggi::store(const QString& field, const QString& text) {
    try {
        rs_.setField(field, text);
        rs_.update();
    } catch (...) {
        rs_.cancelUpdate();
        throw;
    }
}

void leggi::Text18_KeyPress(int key) {
    if (!isEnter(key))
        return;
    try {
        store(QStringLiteral("Limits"), Text18->text());
    } catch (...) {
        refuse(Text18);
        return;
    }
    verifica_limiti();
    Text16->setFocus();
    Text16->setCursorPosition(int(Text16->text().size()));
}

void leggi::Text25_KeyPress(int key) {
    if (isEnter(key)) {
        try {
            store(QStringLiteral("ret%"), Text25->text());
        } catch (...) {
            refuse(Text25);
            return;
        }
    }
    const ResultRecord r = readResult(rs_);
    const auto& rbc = r.value(ResultParameter::RBC);
    const auto& ret = r.value(ResultParameter::ret);
    Label94->setText(rbc && ret ? numberText(roundHalfEven(*rbc * *ret / 100, 2), decimal_) : QString());
    verifica_limiti();
}

void leggi::updateNavigation() {
    const bool free = !navigationLocked();
    for (QPushButton* b : {Command1, Command2, Command3, Command4, Command12, Command16})
        b->setEnabled(free);
    Text20->setReadOnly(!free);
}

void leggi::refuse(QLineEdit* box) {
    const CaughtError e = describeCurrentException();
    ignoring([&] { logerrore(e.number, e.description, formName()); });
    refuseBox(box, msg2_);
}

bool leggi::writeGroup(const FieldBinder& binder, const std::vector<QLineEdit*>& boxes, const QLineEdit* optional) {
    QLineEdit* current = nullptr;
    try {
        // Each box is checked first, so the refusal can point at the box.
        for (QLineEdit* box : boxes) {
            current = box;
            const QString typed = box->text().trimmed();
            if (typed.isEmpty() && box != optional)
                throw AppError(err::TypeMismatch,
                               QStringLiteral("Nothing typed for the field of %1").arg(box->objectName()));
            if (!typed.isEmpty())
                (void)toDouble(typed, decimal_);
        }
        current = nullptr;
        binder.write(rs_);
        rs_.update();
        return true;
    } catch (...) {
        rs_.cancelUpdate();
        refuse(current);
        return false;
    }
}

void leggi::openGroup(ValueGroup group) {
    for (const ParameterControls& c : parameterControls())
        if (c.group == group) {
            c.edit->setText(c.value->text());
            c.edit->show();
            c.edit->raise();
        }
}

void leggi::Command15_Click() {
    redOpen_ = true;
    updateNavigation();
    openGroup(ValueGroup::Red);
    Command15->hide();
    Command11->show();
}

void leggi::Command11_Click() {
    if (!writeGroup(red_, groupBoxes(ValueGroup::Red)))
        return;
    for (const ParameterControls& c : parameterControls())
        if (c.group == ValueGroup::Red) {
            c.edit->hide();
            c.value->setText(c.edit->text());
        }
    Command15->show();
    Command11->hide();
    redOpen_ = false;
    updateNavigation();
    verifica_limiti();
}

void leggi::Command14_Click() {
    openGroup(ValueGroup::Platelets);
    pltOpen_ = true;
    updateNavigation();
    Command5->show();
    Command14->hide();
}

void leggi::Command5_Click() {
    if (!writeGroup(plt_, groupBoxes(ValueGroup::Platelets)))
        return;
    for (const ParameterControls& c : parameterControls())
        if (c.group == ValueGroup::Platelets) {
            c.value->setText(c.edit->text());
            c.edit->hide();
        }
    Command14->show();
    Command5->hide();
    pltOpen_ = false;
    updateNavigation();
    verifica_limiti();
}

void leggi::Command6_Click() {
    openGroup(ValueGroup::White);
    Command6->hide();
    wbcOpen_ = true;
    updateNavigation();
    Command7->show();
    Command8->show();
}

void leggi::Command8_Click() { memo(); }

void leggi::memo() {
    // The band box alone may be empty: that clears the band count.
    if (!writeGroup(wbc_, groupBoxes(ValueGroup::White), Text35))
        return;
    Command6->show();
    Command7->hide();
    Command8->hide();
    for (QLineEdit* box : groupBoxes(ValueGroup::White))
        box->hide();
    wbcOpen_ = false;
    updateNavigation();
    populate();
    if (countsShown_)
        calcola();
    verifica_limiti();
}

void leggi::Command7_Click() { to100(); }

void leggi::to100() {
    QLineEdit* const boxes[] = {Text2, Text3, Text4, Text5, Text6, Text35};
    double v[6] = {};
    QLineEdit* current = nullptr;
    try {
        for (std::size_t i = 0; i < std::size(boxes); ++i) {
            current = boxes[i];
            const QString typed = boxes[i]->text().trimmed();
            // An empty band box counts as no band cells.
            if (typed.isEmpty() && boxes[i] == Text35)
                continue;
            if (typed.isEmpty())
                throw AppError(err::TypeMismatch,
                               QStringLiteral("Nothing typed for the field of %1").arg(boxes[i]->objectName()));
            v[i] = roundHalfEven(toDouble(typed, decimal_), 2);
            boxes[i]->setText(numberText(v[i], decimal_));
        }
    } catch (...) {
        refuse(current);
        return;
    }
    const double neu = v[0], lym = v[1], mono = v[2], eos = v[3], baso = v[4], band = v[5];
    const double rest = roundHalfEven(100 - ((((mono + lym) + eos) + baso) + band), 2);
    const double sum = ((((lym + neu) + mono) + eos) + baso) + band;
    if (sum != 100.0)
        Text2->setText(numberText(rest, decimal_));
    // Already 100: what was typed (the white count among it) is written all the same.
    memo();
}

void leggi::Command9_Click() {
    Command9->hide();
    Command10->show();
    for (Label* range : differentialRanges())
        range->hide();
    Label105->show();
    countsShown_ = true;
    updateNavigation();
    calcola();
}

void leggi::calcola() {
    std::optional<double> wbc;
    ignoring([&] { wbc = toDouble(Label11->text(), decimal_); });
    for (const ParameterControls& c : parameterControls()) {
        if (!c.count)
            continue;
        // A row without a number shows no count.
        c.count->clear();
        ignoring([&] {
            if (wbc)
                c.count->setText(
                    numberText(roundHalfEven(toDouble(c.value->text(), decimal_) * *wbc / 100, 2), decimal_));
        });
    }
    for (Label* label :
         {Label32, Label34, Label35, Label36, Label37, Label38, Label33, Label39, Label40, Label41, Label105, Label106})
        label->show();
}

void leggi::Command10_Click() {
    nascondi_val();
    Command10->hide();
    Command9->show();
    for (Label* range : differentialRanges())
        range->show();
    countsShown_ = false;
    updateNavigation();
}

void leggi::patientEnter(QLineEdit* box, const QString& field, QWidget* next) {
    try {
        store(field, box->text());
    } catch (...) {
        refuse(box);
        return;
    }
    next->setFocus();
    if (auto* nextBox = qobject_cast<QLineEdit*>(next))
        nextBox->setCursorPosition(int(nextBox->text().size()));
}

void leggi::historySearch(const QLineEdit* box, SearchField field) {
    showSearchInViewer(searchSql(field, historySearchText(box->text()), Check1->isChecked()));
}

void leggi::Image1_Click() { historySearch(Text10, SearchField::specId); }

void leggi::Image2_Click() { historySearch(Text1, SearchField::specName); }

void showSearchInViewer(const QString& sql) {
    Session& s = Session::get();
    s.queryricerca = sql;
    s.leggiOricerca = 1;
    if (leggi* open = Forms::get<leggi>()) {
        open->reloadSearch();
        // The reload may have found nothing: the window then stays as it was.
        if (leggi* still = Forms::get<leggi>()) {
            still->show();
            still->raise();
            still->activateWindow();
        }
        return;
    }
    Forms::show<leggi>();
}

}  // namespace zv
