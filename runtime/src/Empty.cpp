// Placeholder translation unit for a runtime library with no sources yet.
