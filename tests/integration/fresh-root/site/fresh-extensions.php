<?php
// Every extension the php.ini in use enables, and whether it is loaded.
preg_match_all('/^\s*(zend_)?extension\s*=\s*"?([A-Za-z0-9_]+)/m',
               (string) file_get_contents((string) php_ini_loaded_file()), $found);
$missing = [];
foreach ($found[2] as $extension) {
    if (!extension_loaded($extension === 'opcache' ? 'Zend OPcache' : $extension)) {
        $missing[] = $extension;
    }
}
echo $missing ? 'missing: ' . implode(' ', $missing) : 'loaded: ' . implode(' ', $found[2]);
echo "\nopcache=" . (function_exists('opcache_get_status') && opcache_get_status(false) ? 'on' : 'off');
