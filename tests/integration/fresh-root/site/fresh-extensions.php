<?php
// Every extension the package's php.ini enables, and whether it is loaded. Read from the stack's
// template beside the extensions: the php.ini in use may be in a folder closed to the web
// server's account (the administrator's working folder).
preg_match_all('/^\s*(zend_)?extension\s*=\s*"?([A-Za-z0-9_]+)/m',
               (string) file_get_contents(dirname(ini_get('extension_dir')) . '/php.ini'), $found);
$missing = [];
foreach ($found[2] as $extension) {
    if (!extension_loaded($extension === 'opcache' ? 'Zend OPcache' : $extension)) {
        $missing[] = $extension;
    }
}
echo $missing ? 'missing: ' . implode(' ', $missing) : 'loaded: ' . implode(' ', $found[2]);
echo "\nopcache=" . (function_exists('opcache_get_status') && opcache_get_status(false) ? 'on' : 'off');
