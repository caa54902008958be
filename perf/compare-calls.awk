# Reads `apitrace dump --call-nos=no` of a `varnox_perf --mark_calls` run and
# compares, case by case, the GL calls (and EGL swaps) that the library side
# and the plain side issued inside their debug groups. Prints one line per
# case; exits 1 when any case's sides differ. Cases marked "unpaired" (the
# plain side does the same work another way) are named, not compared.
/^glPushDebugGroup\(.*message = "(library|plain) / {
    match($0, /message = "[^"]*"/)
    label = substr($0, RSTART + 11, RLENGTH - 12)
    split(label, part, " ")
    side = part[1]
    name = part[2]
    if (!(name in seen)) {
        seen[name] = 1
        order[++cases] = name
    }
    count[side, name] = 0
    next
}
/^glPushDebugGroup\(.*message = "unpaired library / {
    match($0, /message = "[^"]*"/)
    split(substr($0, RSTART + 11, RLENGTH - 12), part, " ")
    unpaired[++unpairedCases] = part[3]
    side = ""
    next
}
/^glPopDebugGroup\(\)/ {
    side = ""
    next
}
side != "" && (/^gl/ || /^eglSwap/ || /^memcpy\(/) {
    calls[side, name, ++count[side, name]] = $0
}
END {
    status = 0
    for (c = 1; c <= cases; ++c) {
        name = order[c]
        n = count["library", name]
        m = count["plain", name]
        first = 0
        for (k = 1; k <= (n > m ? n : m); ++k)
            if (calls["library", name, k] != calls["plain", name, k]) {
                first = k
                break
            }
        if (!first) {
            printf "  %-44s same %d calls\n", name, n
            continue
        }
        status = 1
        printf "  %-44s DIFFERENT (library %d calls, plain %d) from call %d:\n", name, n, m, first
        printf "    library: %s\n    plain:   %s\n", calls["library", name, first], calls["plain", name, first]
    }
    for (c = 1; c <= unpairedCases; ++c)
        printf "  %-44s not compared: the plain side does the work with calls of its own\n", unpaired[c]
    if (cases == 0 && unpairedCases == 0) {
        print "  no marked calls found"
        status = 1
    }
    exit status
}
