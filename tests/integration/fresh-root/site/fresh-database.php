<?php
// The package's database reached by name and by address, with both drivers.
mysqli_report(MYSQLI_REPORT_OFF);
foreach (['localhost', '127.0.0.1'] as $host) {
    $db = @new mysqli($host, 'root', '', 'quindle');
    echo "mysqli $host=" . ($db->connect_errno ? 'failed ' . $db->connect_error : 'ok') . "\n";
    try {
        $port = (int) ini_get('mysqli.default_port');
        new PDO("mysql:host=$host;port=$port;dbname=quindle", 'root', '');
        echo "pdo $host=ok\n";
    } catch (Throwable $e) {
        echo "pdo $host=failed " . $e->getMessage() . "\n";
    }
}
