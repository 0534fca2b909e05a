// Exception classes of the wizard. Every class reports a stable class name
// and the name of the module that declares it: the error record written by
// the application-wide handler carries both.
#pragma once

#include <exception>
#include <string>

#include "platform/texto.h"

class Exception : public std::exception {
 public:
  explicit Exception(texto::Texto mensaje) : mensaje_(std::move(mensaje)), utf8_(texto::AUtf8(mensaje_)) {}
  const texto::Texto& Message() const { return mensaje_; }
  const char* what() const noexcept override { return utf8_.c_str(); }
  virtual const char* ClassName() const { return "Exception"; }
  virtual const char* UnitName() const { return "SysUtils"; }

 private:
  texto::Texto mensaje_;
  std::string utf8_;
};

#define ZELVANO_EXCEPCION(Clase, Base, Unidad)                      \
  class Clase : public Base {                                       \
   public:                                                          \
    using Base::Base;                                               \
    const char* ClassName() const override { return #Clase; }       \
    const char* UnitName() const override { return Unidad; }        \
  };

// Registry access that fails (open, read of a value of another type, write).
ZELVANO_EXCEPCION(ERegistryException, Exception, "Registry")
// A file that cannot be created or written.
ZELVANO_EXCEPCION(EFCreateError, Exception, "Classes")
// A resource of the executable that is not there.
ZELVANO_EXCEPCION(EResNotFound, Exception, "Classes")
// Anything the platform layer cannot do that the caller must not ignore.
ZELVANO_EXCEPCION(EOSError, Exception, "SysUtils")

// Firebird failures: SQL code (isc_sqlcode) and the first code of the status
// vector, with the server's message text.
class EIBInterBaseError : public Exception {
 public:
  EIBInterBaseError(long sqlCode, long ibErrorCode, texto::Texto mensaje)
      : Exception(std::move(mensaje)), sqlCode_(sqlCode), ibErrorCode_(ibErrorCode) {}
  long SQLCode() const { return sqlCode_; }
  long IBErrorCode() const { return ibErrorCode_; }
  const char* ClassName() const override { return "EIBInterBaseError"; }
  const char* UnitName() const override { return "IBErrors"; }

 private:
  long sqlCode_;
  long ibErrorCode_;
};
// Client library problems that are not server errors (fbclient missing).
ZELVANO_EXCEPCION(EIBClientError, Exception, "IBErrors")
