// Replaced by the first tool module.
