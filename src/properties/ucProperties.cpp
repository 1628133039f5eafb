#include "properties/ucProperties.h"

#include "properties/MainFormLink.h"

#include <QCheckBox>
#include <QLabel>

// Skeleton: the figures land with the panel's own change.
ucProperties::ucProperties(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ucProperties1"));
    chkCutGuides = new QCheckBox(QStringLiteral("Print cut &guides"), this);
    connect(chkCutGuides, &QCheckBox::clicked, this, [this] { chkCutGuides_Click(); });
    UserControl_Initialize();
}
void ucProperties::SetPrinter(const platform::PrinterPtr& MyPrinter) { if (MyPrinter) gPrinter = MyPrinter; }
void ucProperties::SetImage(const platform::PicturePtr& MyPicture) { if (MyPicture) gImage = MyPicture; }
void ucProperties::SetMainForm(MainFormLink* MainForm) { gParentForm = MainForm; }
bool ucProperties::HasCutGuides() const { return chkCutGuides->checkState() != Qt::Unchecked; }
void ucProperties::UserControl_Initialize() {}
void ucProperties::UpdatePhysicalSize() {}
void ucProperties::chkCutGuides_Click() {
    const bool Visible = chkCutGuides->checkState() != Qt::Unchecked;
    if (gParentForm) gParentForm->SetCutGuidesVisible(Visible);
}
