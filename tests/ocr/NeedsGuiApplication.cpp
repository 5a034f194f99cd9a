// The OCR tests draw text, and fonts need the GUI application.
extern "C" bool quellpadTestsNeedGuiApplication() { return true; }
