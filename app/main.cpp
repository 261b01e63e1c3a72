#include "app/QuillonApplication.h"
#include "app/TfCOMProperty.h"
#include "app/TfMain.h"

int main(int argc, char **argv)
{
    QuillonApplication application(argc, argv);
    // The two windows live as long as the program; closing the main window ends it.
    TfCOMProperty fCOMProperty;
    TfMain fMain(fCOMProperty);
    fMain.show();
    return QuillonApplication::exec();
}
