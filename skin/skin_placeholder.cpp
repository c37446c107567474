// Keeps the library non-empty until its controls land.
