// Complete texts of the stored procedures that the migration batches create
// or redefine. Each text is sent as one statement, line breaks included.
#pragma once

#include "platform/texto.h"

namespace procedimientos {

using texto::Texto;

// Created by the batch for 20.21.0.3.
extern const Texto ProcAsignPropinas;
extern const Texto SelTicketPropina;
extern const Texto SelPropinaTot;
extern const Texto ProcEscandalloCopiaIns;

// Redefined by the batch for 20.21.0.3.
extern const Texto SelComandaMenu;
extern const Texto SelComandaMenuComp;
extern const Texto SelArtsBebida;
extern const Texto SelStockHistMov;
extern const Texto ProcMpPrecComprIniUlt;
extern const Texto ProcMatPriArt;
extern const Texto ProcStockHistMov;
extern const Texto ProcEscdDelete;
extern const Texto ProcBorrarEscandallos;
extern const Texto ProcTablasLimpia;
extern const Texto ProcComandaDetUpdAC;
extern const Texto ProcInsertComanda;

// Recipe lines, whose quantity type the batch below 20.21.1.0 widens from
// three to five decimals: the same definition with that one type changed.
extern const Texto CantidadTresDecimales;   // "NUMERIC (18, 3)"
extern const Texto CantidadCincoDecimales;  // "NUMERIC (18, 5)"
Texto ProcEscdIns(const Texto& tipoCantidad);
Texto SelEscandallos(const Texto& tipoCantidad);

// Redefined by the batch below 20.21.1.0.
extern const Texto ProcEnvasado;
extern const Texto ProcAyudaMedUpdIns;
extern const Texto SelAyudaMedEnv;

// Redefined by the batch for purchase prices and stock on sale.
extern const Texto ProcMpPrecComprIniUltTodos;
extern const Texto SelStockVentas;

}  // namespace procedimientos
