#include "shell/Module1.h"

#include "platform/desktop/FormStrings.h"
#include "shell/frmMain.h"

namespace Module1 {

frmMain* gMainForm = nullptr;

void Main() {
    gMainForm = new frmMain();
    gMainForm->setAttribute(Qt::WA_DeleteOnClose);
    gMainForm->Show();
}

void ApplyFormStrings(QWidget* form) { platform::ApplyFormStrings(form); }

}  // namespace Module1
