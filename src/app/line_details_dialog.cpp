#include "line_details_dialog.h"

#include "list_editor.h"
#include "main_window_helpers.h"

#include "form/line_details.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallomir::app {

namespace {

struct DetailField {
    const char* name; // the object name of its input
    const char* label;
    std::string LineDetails::*member;
    int widthInChars;
    const char* example; // the tooltip
};

constexpr DetailField detailFields[] = {
    {"lineOrderLineReference", "Bestellposition", &LineDetails::orderLineReference, 12,
     "Nummer der Position in der Bestellung des Kunden, z.B. 7"},
    {"lineAccountingReference", "Buchungsreferenz", &LineDetails::lineAccountingReference, 24,
     "Kostenstelle oder Konto des Kunden für diese Position, z.B. KST-4711"},
    {"lineObjectIdentifier", "Objektkennung", &LineDetails::lineObjectIdentifier, 24,
     "Kennung eines Objekts, für das die Position gilt, z.B. ein Zählerstand oder Kennzeichen"},
    {"lineObjectIdentifierScheme", "Schema der Objektkennung", &LineDetails::lineObjectIdentifierScheme, 6,
     "Art der Objektkennung (UNTDID 1153), z.B. AAG"},
    {"lineBuyersItemId", "Artikelnummer des Kunden", &LineDetails::buyersItemId, 24,
     "Die Nummer, unter der der Kunde den Artikel führt, z.B. K-100"},
    {"lineStandardItemId", "Artikelkennung", &LineDetails::standardItemId, 24,
     "Kennung des Artikels nach einem Schema, z.B. die GTIN 4012345678901"},
    {"lineStandardItemIdScheme", "Schema der Artikelkennung", &LineDetails::standardItemIdScheme, 6,
     "Schema der Artikelkennung (ISO 6523), z.B. 0160 für die GTIN"},
    {"lineOriginCountry", "Herkunftsland", &LineDetails::originCountry, 4,
     "Land, aus dem der Artikel stammt, z.B. DE"},
    {"lineGrossPrice", "Bruttopreis", &LineDetails::grossPrice, 12,
     "Der Preis vor dem Preisnachlass, wo der Preis der Position ein Nettopreis ist, z.B. 12,50"},
    {"linePriceDiscount", "Preisnachlass", &LineDetails::priceDiscount, 12,
     "Was der Preis der Position unter dem Bruttopreis liegt, z.B. 2,50"},
};

} // namespace

LineDetailsDialog::LineDetailsDialog(Form& form, QWidget* parent)
    : QDialog(parent), form_(form),
      classifications_(new ListEditor(
          QStringLiteral("lineClassifications"),
          {QStringLiteral("Code"), QStringLiteral("Schema"), QStringLiteral("Version")},
          QStringLiteral("Klassifizierungen des Artikels mit ihrem Schema, z.B. 44111 im Schema STI"), this)),
      attributes_(new ListEditor(QStringLiteral("lineAttributes"),
                                 {QStringLiteral("Name"), QStringLiteral("Wert")},
                                 QStringLiteral("Eigenschaften des Artikels, z.B. Farbe: rot"), this)) {
    setObjectName(QStringLiteral("lineDetailsDialog"));
    setWindowTitle(QStringLiteral("Weitere Angaben zur Position"));
    setAttribute(Qt::WA_DeleteOnClose);
    const LineDetails shown = lineDetailsOf(form.lineEditBuffer);

    auto* fields = new QFormLayout;
    for (const DetailField& field : detailFields) {
        auto* edit = new QLineEdit(qs(shown.*field.member), this);
        edit->setObjectName(QString::fromLatin1(field.name));
        edit->setToolTip(QString::fromUtf8(field.example));
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * (field.widthInChars + 2));
        fields->addRow(QString::fromUtf8(field.label), edit);
        fields_.emplace_back(edit, field.member);
    }
    classifications_->setRows(shown.classifications);
    attributes_->setRows(shown.attributes);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    for (auto [title, editor] :
         {std::pair{"Klassifizierungen", classifications_}, {"Eigenschaften", attributes_}}) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        (new QVBoxLayout(box))->addWidget(editor);
        layout->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("lineDetailsOk"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("lineDetailsCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        take();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void LineDetailsDialog::take() {
    LineDetails details = lineDetailsOf(form_.lineEditBuffer);
    for (const auto& [edit, member] : fields_)
        details.*member = ss(edit->text());
    details.classifications = classifications_->rows();
    details.attributes = attributes_->rows();
    takeLineDetails(form_, details);
}

} // namespace tallomir::app
