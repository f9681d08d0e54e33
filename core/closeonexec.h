#pragma once

// Descriptors kept from the programs the program starts (a PDF viewer, an e-mail draft, the dump, a restarted copy).

// Sets close-on-exec on every descriptor above 2 that lacks it. Libraries open some without it (the MySQL client's
// server connection among them): a started program would hold them, and a connection it holds stays open on the
// server, with its transaction and row locks, after the program itself has ended. False, with a warning, when a
// descriptor could not be marked or the list of descriptors could not be read.
bool MarkAllCloseOnExec();
