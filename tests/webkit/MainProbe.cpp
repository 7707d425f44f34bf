// The probe program of MainTest.cpp: nothing but the real screen's entry
// point (main comes from quarrow_gtk_main) and no application object, so
// that a test sees what the entry point itself does.
