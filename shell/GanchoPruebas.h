// Test hook of the posix build: ZELVANO_PRUEBA_EXCEPCION asks for one
// exception raised from a timer once the main window is up and idle, so that
// the application-wide handler can be exercised from outside a run.
#pragma once

// Arms the hook when the variable is set ("programa", or a Firebird pair
// such as "-902,335544722"). Does nothing on Windows.
void ArmaGanchoPruebas();
