<?php
// The demo's database connection: the package's own server, on the port Quindle chose.
function demo_db(): ?mysqli
{
    mysqli_report(MYSQLI_REPORT_OFF);
    $port = (int) ini_get('mysqli.default_port');
    if ($port <= 0) {
        return null;
    }
    // Through the socket, which the package may keep as the only way in; by the address where
    // the socket is out of this account's reach.
    $db = @new mysqli('localhost', 'root', '', 'quindle', 0, ini_get('mysqli.default_socket'));
    if ($db->connect_errno) {
        $db = @new mysqli('127.0.0.1', 'root', '', 'quindle', $port);
    }
    if ($db->connect_errno) {
        return null;
    }
    $db->set_charset('utf8mb4');
    $db->query('CREATE TABLE IF NOT EXISTS visits (id INT AUTO_INCREMENT PRIMARY KEY,
                at TIMESTAMP DEFAULT CURRENT_TIMESTAMP) ENGINE=InnoDB');
    $db->query('CREATE TABLE IF NOT EXISTS guestbook (id INT AUTO_INCREMENT PRIMARY KEY,
                name VARCHAR(100) NOT NULL, message TEXT NOT NULL,
                at TIMESTAMP DEFAULT CURRENT_TIMESTAMP) ENGINE=InnoDB');
    return $db;
}

function h(string $s): string
{
    return htmlspecialchars($s, ENT_QUOTES, 'UTF-8');
}
