// Shared set-up of every test program lives here (temporary home, manual clock).
