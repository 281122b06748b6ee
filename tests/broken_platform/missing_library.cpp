int zumora_missing_library_function() {
    return 0;
}
