#include "app/QuillonApplication.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"
#include "app/WindowPlacement.h"
#include "language/Language.h"

int main(int argc, char **argv)
{
    QuillonApplication application(argc, argv);
    StartInLanguage(StoredLanguage(WindowPlacement::defaultFile()));
    // The two windows live as long as the program; closing the main window ends it.
    TfCOMProperty fCOMProperty;
    TfMain fMain(fCOMProperty);
    fMain.show();
    return QuillonApplication::exec();
}
